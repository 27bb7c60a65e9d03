#include "app/KorvaneApplication.h"
