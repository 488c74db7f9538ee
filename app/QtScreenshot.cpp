#include "app/QtScreenshot.h"

#include "common/ErrorLine.h"
#include "common/UserFolders.h"

#include <GL/gl.h>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <ctime>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::string fileName(const char* stamp, int attempt) {
    std::string name = std::string("plimmerton-") + stamp;
    if (attempt > 1) {
        name += "-" + std::to_string(attempt);
    }
    return name + ".png";
}

QImage readFrame(const SbVec2s& size) {
    const int width = size[0];
    const int height = size[1];
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // OpenGL counts rows from the bottom, images from the top; mirrored() copies the pixels.
    return QImage(pixels.data(), width, height, width * 3, QImage::Format_RGB888).mirrored();
}

} // namespace

void saveScreenshot(const SbVec2s& size) {
    if (size[0] <= 0 || size[1] <= 0) {
        freshErrorLine() << "screenshot: the view has no pixels to save" << std::endl;
        return;
    }
    const QImage image = readFrame(size);
    const std::string folder = userFolder("PICTURES");
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    for (int attempt = 1;; ++attempt) {
        const std::string name =
            folder == "." ? fileName(stamp, attempt) : folder + "/" + fileName(stamp, attempt);
        QFile file(QString::fromStdString(name));
        // Opening only a file that does not exist yet claims the name for this picture.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (!image.save(&file, "PNG")) {
                freshErrorLine() << "screenshot: cannot write " << name << ": "
                                 << file.errorString().toStdString() << std::endl;
                file.remove();
                return;
            }
            std::cout << "screenshot: " << QFileInfo(file).absoluteFilePath().toStdString()
                      << std::endl;
            return;
        }
        if (!file.exists()) {
            freshErrorLine() << "screenshot: cannot write " << name << ": "
                             << file.errorString().toStdString() << std::endl;
            return;
        }
    }
}
