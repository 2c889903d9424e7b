#define MORVANE_VECTOR_KERNEL processVectorAvx512
#include "engine/VectorKernelBody.h"
