// Numbers of the photo album wizard's pages, controls and texts.
#pragma once

// The page controls (an up-down control is its field's id + 10000).
#define IDC_WIZSCHEMELIST 101
#define IDC_WIZPICTURELIST 101
#define IDC_WIZSELECTPICTURE 110
#define IDC_WIZSELECTFONT 111
#define IDC_WIZRESIZE 115
#define IDC_WIZCOVERLIST 201
#define IDC_WIZCOVERTEXT 202
#define IDC_WIZINSIDELIST 203
#define IDC_WIZSIZELIST 204
#define IDC_WIZDELETE 205
#define IDC_WIZPRESERVE 206
#define IDC_WIZTIME 207
#define IDC_WIZFRAME 208
#define IDC_WIZPREVIEWS 210
#define IDC_WIZSAMPLE 102
#define IDC_WIZSTRIP 1024
#define IDC_WIZSPIN 10000

#define IDS_WIZARDPAGEERROR 318
#define IDS_WIZARDTOOSMALL 3720
