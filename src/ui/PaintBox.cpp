#include "ui/PaintBox.h"
