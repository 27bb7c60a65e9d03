#include "ui/KorvaneForm1.h"
