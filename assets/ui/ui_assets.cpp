#include "assets/ui/ui_assets.h"

#include <QtGlobal>

void initUiAssets() {
    Q_INIT_RESOURCE(ui_assets);
}
