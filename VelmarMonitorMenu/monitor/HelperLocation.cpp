#include "HelperLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace HelperLocation {

namespace {
QString applicationDir() {
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

QString inBundle(const QString& bundleDir) {
    return QDir(bundleDir).filePath(QString::fromLatin1(helperName));
}
} // namespace

std::optional<QString> bundledHelper() {
    return bundledHelper(applicationDir());
}

std::optional<QString> bundledHelper(const QString& appDir) {
    const QString resources = QDir(appDir).filePath(QStringLiteral(VELMAR_RESOURCES_RELATIVE_DIR "/") +
                                                    QString::fromLatin1(bundleName));
    const QFileInfo installed(inBundle(resources));
    if (installed.isFile() && installed.isExecutable())
        return installed.absoluteFilePath();

    const QFileInfo besideProgram(inBundle(QDir(appDir).filePath(QString::fromLatin1(bundleName))));
    if (besideProgram.isFile())
        return besideProgram.absoluteFilePath();

    const QFileInfo buildTree(inBundle(QStringLiteral(VELMAR_BUILD_BUNDLE_DIR)));
    if (buildTree.isFile())
        return buildTree.absoluteFilePath();

    return std::nullopt;
}

HelperLocator bundled() {
    return [] { return bundledHelper(); };
}

HelperLocator fixed(QString path) {
    return [path = std::move(path)]() -> std::optional<QString> {
        if (!QFileInfo(path).isFile())
            return std::nullopt;
        return path;
    };
}

} // namespace HelperLocation
