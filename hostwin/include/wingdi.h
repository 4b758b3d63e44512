// GDI: device contexts, DIB sections, pens, brushes, fonts, regions.
#pragma once

#include "windef.h"
