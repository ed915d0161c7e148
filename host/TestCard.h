#pragma once
#include "host/Image.h"

// A built-in test image in which any channel change shows: a ramp of each
// colour channel, a grey ramp, an alpha ramp and a hue sweep.
Image MakeTestCard();
