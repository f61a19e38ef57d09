#include "translate/translate.h"
