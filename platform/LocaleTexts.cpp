#include "platform/LocaleTexts.h"
