// The settings the document windows read, with their defaults.
#include "editor/shell.h"

unsigned BrowserWide = 300;
int OptimumVerticalWindows = 1;
unsigned WarnMultipleDelete = 1;
int SoundFileOpenIndex = 1;
