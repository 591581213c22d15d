// SPDX-License-Identifier: MIT
#include "icon.h"

#include "icon/verbrio16.xpm"
#include "icon/verbrio32.xpm"

#include <QPixmap>

QIcon programIcon()
{
    QIcon icon;
    icon.addPixmap(QPixmap(verbrio16_xpm));
    icon.addPixmap(QPixmap(verbrio32_xpm));
    return icon;
}
