// The wizard's vocabulary: colour schemes, page sizes, cover and picture
// page styles, and its pages in the order they are shown.
#include "tools/wizard.h"

const WIZARDCOLORSCHEME wizardcolorscheme[WIZARDSCHEMES] = {
    {"Black and White", RGB(255, 255, 255), RGB(128, 128, 128), RGB(64, 64, 64), RGB(244, 244, 244)},
    {"All Hallow's Eve", RGB(0, 0, 0), RGB(255, 128, 0), RGB(140, 70, 0), RGB(255, 183, 111)},
    {"Black Ice", RGB(29, 40, 46), RGB(172, 199, 202), RGB(49, 75, 79), RGB(220, 232, 233)},
    {"British Racing Green", RGB(72, 115, 50), RGB(216, 218, 184), RGB(37, 57, 26), RGB(101, 160, 69)},
    {"Desert", RGB(162, 141, 104), RGB(203, 204, 187), RGB(0, 128, 128), RGB(203, 204, 187)},
    {"Eggplant", RGB(64, 0, 64), RGB(144, 176, 168), RGB(88, 128, 120), RGB(144, 176, 168)},
    {"Independence Day", RGB(0, 0, 221), RGB(255, 255, 255), RGB(255, 0, 0), RGB(0, 0, 255)},
    {"Leather", RGB(194, 191, 165), RGB(248, 248, 243), RGB(141, 137, 97), RGB(170, 166, 132)},
    {"Lilac", RGB(90, 78, 177), RGB(174, 168, 217), RGB(45, 38, 87), RGB(209, 206, 234)},
    {"Plum", RGB(168, 152, 144), RGB(216, 208, 200), RGB(64, 40, 64), RGB(216, 208, 200)},
    {"Pumpkin", RGB(240, 212, 160), RGB(251, 242, 227), RGB(222, 159, 44), RGB(251, 242, 227)},
    {"Sl\xE0inte", RGB(32, 193, 23), RGB(255, 255, 255), RGB(17, 104, 13), RGB(151, 241, 146)},
    {"Slate", RGB(157, 185, 200), RGB(239, 243, 245), RGB(69, 104, 122), RGB(201, 216, 224)},
    {"Spruce", RGB(162, 200, 169), RGB(231, 241, 233), RGB(89, 151, 100), RGB(204, 225, 208)},
    {"Teal", RGB(144, 176, 168), RGB(242, 247, 245), RGB(88, 128, 120), RGB(144, 176, 168)},
    {"Valentine's Day", RGB(255, 0, 0), RGB(255, 255, 255), RGB(254, 1, 89), RGB(255, 255, 255)},
    {"Winter Solstice", RGB(236, 251, 255), RGB(1, 91, 121), RGB(0, 105, 140), RGB(202, 242, 255)},
    {"Yuletude", RGB(217, 0, 0), RGB(0, 200, 0), RGB(0, 173, 0), RGB(0, 224, 0)},
};

const WIZARDDIMENSION wizarddimension[WIZARDDIMENSIONS] = {
    {"600 by 420 landscape", 600, 420, 1},   {"640 by 480 landscape", 640, 480, 1},
    {"720 by 560 landscape", 720, 560, 1},   {"800 by 600 landscape", 800, 600, 1},
    {"1000 by 700 landscape", 1000, 700, 1}, {"1024 by 768 landscape", 1024, 768, 1},
    {"1200 by 960 landscape", 1200, 960, 1}, {"1280 by 1024 landscape", 1280, 1024, 1},
    {"420 by 600 portrait", 420, 600, 2},    {"480 by 640 portrait", 480, 640, 2},
    {"560 by 720 portrait", 560, 720, 2},    {"600 by 800 portrait", 600, 800, 2},
    {"700 by 1000 portrait", 700, 1000, 2},  {"768 by 1024 portrait", 768, 1024, 2},
    {"950 by 1200 portrait", 950, 1200, 2},  {"1024 by 1280 portrait", 1024, 1280, 2},
};

const char *const wizardcoverstyle[WIZARDCOVERSTYLES] = {"No cover", "Text only", "Picture only",
                                                         "Picture with text above", "Picture with text over"};

const char *const wizardinsidestyle[WIZARDINSIDESTYLES] = {"Full size image", "Image with matt",
                                                           "Image with caption"};

const WIZARDPAGE wizardpage[WIZARDPAGES] = {
    {"Introduction", "WizardPage1", WizardProc<0>},      {"Colour Scheme", "WizardPage2", WizardProc<1>},
    {"Dimensions", "WizardPage3", WizardProc<2>},        {"Cover Design", "WizardPage4", WizardProc<3>},
    {"Image Page Design", "WizardPage5", WizardProc<4>}, {"Select Pictures", "WizardPage6", WizardProc<5>},
    {"Finish", "WizardPage7", WizardProc<6>},
};
