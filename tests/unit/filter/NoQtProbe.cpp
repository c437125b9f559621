// Compiled by a test with the filter target's include path only: the Qt include must not resolve.
#include "filter/MyTransFilter.h"

#include <QString>
