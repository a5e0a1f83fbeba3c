#include "TunzoResources.h"

#include "TrayStatePixels.h"

#include <QImageReader>
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
    // Even with the format named, a reader left to auto-detect loads every
    // image plugin to ask whether it reads PNG better (three plugins and
    // libjpeg: most of a millisecond and 300 KB of pipit's start-up); Qt's
    // own PNG reader is all these pictures need.
    QImageReader reader(QString::fromLatin1(path), "PNG");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QImage ProgramIconPicture() {
    // Copies share the one decoded image.
    static const QImage picture = ProgramPicture(":/MAINICON");
    return picture;
}

QImage TrayStatePicture(TrayState state) {
    const uint32_t* pixels = state == TrayState::Muted ? TrayMutedPixels : TrayNormalPixels;
    // Read-only over the constant pixels: nothing is copied until drawn.
    return QImage(reinterpret_cast<const uchar*>(pixels), TrayStateSize, TrayStateSize, QImage::Format_ARGB32);
}
