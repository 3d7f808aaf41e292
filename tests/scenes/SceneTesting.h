#pragma once

#include "scenes/MonitorScene.h"

#include <QTest>

// Readable QCOMPARE failures for scenes: the JSON form shows every field that is set.
inline char* toString(const MonitorScene& scene) {
    return QTest::toString(MonitorScene::encodeList({scene}));
}

inline MonitorScene makeScene(const QString& name, std::optional<double> brightness = std::nullopt,
                              std::optional<MonitorInput> input = std::nullopt) {
    MonitorScene scene;
    scene.id = QUuid::createUuid();
    scene.name = name;
    scene.symbol = QStringLiteral("star");
    scene.brightness = brightness;
    scene.input = input;
    return scene;
}
