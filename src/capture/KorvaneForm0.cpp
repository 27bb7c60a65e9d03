#include "capture/KorvaneForm0.h"
