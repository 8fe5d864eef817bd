#include "app/app_options.h"

AppOptions appOptions;
