// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/VectorPrimitivesNeon.h"

#define MORVANE_VECTOR_KERNEL processVectorNeon
#include "engine/VectorKernelStages.h"
