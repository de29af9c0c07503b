// A middle library whose dependency points up the order.
#include "upper/up.h"
