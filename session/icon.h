// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>

// The program's icon: a pale yellow card with a sum in column form, drawn at
// 16 x 16 (the window's) and 32 x 32 pixels.
QIcon programIcon();
