// A low library that reaches up: the layer check must report this include.
#include "upper/up.h"
