#include "ui/CursorTable.h"
