// A header of the low library.
#pragma once
