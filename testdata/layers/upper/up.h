// The upper library, which may use the low one.
#pragma once
#include "lower/low.h"
