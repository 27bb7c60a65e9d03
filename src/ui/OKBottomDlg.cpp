#include "ui/OKBottomDlg.h"
