// Ids of the fields the object property dialogs share, one family for every
// template and for editors/objectfields.*: the place fields are five in a
// row from IDC_OBJLEFT (left, top, width, depth, number), and each number
// field's up-down control is its id + IDC_OBJSPIN. A dialog's own fields
// are numbered in its own header, clear of these.
#pragma once

#define IDC_OBJLEFT 101
#define IDC_OBJTOP 102
#define IDC_OBJWIDTH 103
#define IDC_OBJDEPTH 104
#define IDC_OBJNUMBER 105
// The button, check box and radio button title, and the checked state of
// check boxes and radio buttons.
#define IDC_OBJTITLE 106
#define IDC_OBJVISIBLE 107
#define IDC_OBJENABLED 108
#define IDC_OBJNOTIFY 109
#define IDC_OBJCHECKED 110
#define IDC_OBJTARGET 111
#define IDC_OBJSPIN 10000
