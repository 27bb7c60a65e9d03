#include "document/MetafileToSvg.h"
