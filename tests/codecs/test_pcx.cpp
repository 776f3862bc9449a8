#include "tests/codecs/codectest.h"
