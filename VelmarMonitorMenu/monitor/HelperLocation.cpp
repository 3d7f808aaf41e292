#include "HelperLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

namespace HelperLocation {

namespace {
Q_LOGGING_CATEGORY(lcHelper, "velmar.helper", QtWarningMsg)

QString applicationDir() {
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

QString inBundle(const QString& bundleDir) {
    return QDir(bundleDir).filePath(QString::fromLatin1(helperName));
}

// Compared after resolving links, so a build tree reached through a symbolic link is still
// itself, and a sibling whose name merely starts the same ("build-old" beside "build") is not.
bool isInside(const QString& dir, const QString& root) {
    const QString canonicalDir = QFileInfo(dir).canonicalFilePath();
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    if (canonicalDir.isEmpty() || canonicalRoot.isEmpty())
        return false;
    if (canonicalDir == canonicalRoot)
        return true;
    const QString prefix =
        canonicalRoot.endsWith(QLatin1Char('/')) ? canonicalRoot : canonicalRoot + QLatin1Char('/');
    return canonicalDir.startsWith(prefix);
}

BuildTree compiledInBuildTree() {
    return {QStringLiteral(VELMAR_BUILD_DIR), QStringLiteral(VELMAR_BUILD_BUNDLE_DIR)};
}
} // namespace

std::optional<QString> bundledHelper(const QString& appDir, const BuildTree& buildTree) {
    const QString resources = QDir(appDir).filePath(QStringLiteral(VELMAR_RESOURCES_RELATIVE_DIR "/") +
                                                    QString::fromLatin1(bundleName));
    const QFileInfo installed(inBundle(resources));
    if (installed.isFile() && installed.isExecutable())
        return installed.absoluteFilePath();

    const QFileInfo besideProgram(inBundle(QDir(appDir).filePath(QString::fromLatin1(bundleName))));
    if (besideProgram.isFile())
        return besideProgram.absoluteFilePath();

    // Whoever may write the build tree may already replace a program running from it, so its
    // helper adds no one new to trust there; anywhere else it would.
    if (!isInside(appDir, buildTree.root))
        return std::nullopt;
    const QFileInfo buildTreeHelper(inBundle(buildTree.bundleDir));
    if (buildTreeHelper.isFile())
        return buildTreeHelper.absoluteFilePath();

    return std::nullopt;
}

std::optional<QString> bundledHelper(const QString& appDir) {
    return bundledHelper(appDir, compiledInBuildTree());
}

std::optional<QString> bundledHelper() {
    return bundledHelper(applicationDir());
}

HelperLocator bundled() {
    return [] {
        auto helper = bundledHelper();
        if (helper)
            qCDebug(lcHelper).noquote() << "helper:" << *helper;
        else
            qCDebug(lcHelper).noquote() << "no helper for the program in" << applicationDir();
        return helper;
    };
}

HelperLocator fixed(QString path) {
    return [path = std::move(path)]() -> std::optional<QString> {
        if (!QFileInfo(path).isFile())
            return std::nullopt;
        return path;
    };
}

} // namespace HelperLocation
