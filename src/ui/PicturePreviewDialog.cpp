#include "ui/PicturePreviewDialog.h"
