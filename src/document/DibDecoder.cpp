#include "document/DibDecoder.h"
