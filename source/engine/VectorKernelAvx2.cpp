#define MORVANE_VECTOR_KERNEL processVectorAvx2
#include "engine/VectorKernelBody.h"
