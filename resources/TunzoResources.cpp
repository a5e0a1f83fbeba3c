#include "TunzoResources.h"

#include <QtCore/qglobal.h>

void InitTunzoResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(tunzo);
        return true;
    }();
    (void)registered;
}

QImage ProgramPicture(const char* path) {
    InitTunzoResources();
    return QImage(QString::fromLatin1(path), "PNG");
}
