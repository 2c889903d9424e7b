#define MORVANE_VECTOR_KERNEL processVectorSse2
#include "engine/VectorKernelBody.h"
