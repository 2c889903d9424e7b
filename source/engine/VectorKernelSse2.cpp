// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/VectorPrimitivesX86.h"

#define MORVANE_VECTOR_KERNEL processVectorSse2
#include "engine/VectorKernelStages.h"
