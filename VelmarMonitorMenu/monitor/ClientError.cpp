#include "ClientError.h"

#include "HelperWording.h"

#include <QCoreApplication>

ClientError ClientError::timedOut(std::chrono::milliseconds limit) {
    const auto seconds = std::chrono::duration<double>(limit).count();
    return {Kind::timedOut,
            QCoreApplication::translate("ClientError",
                                        "The DDC helper did not finish within %1 seconds and was stopped.")
                .arg(seconds)};
}

QString ClientError::errorDescription() const {
    switch (m_kind) {
    case Kind::failed:
        if (!m_payload.isEmpty())
            return m_payload; // shown exactly as the helper printed it, line break included
        return QCoreApplication::translate("ClientError",
                                           "The monitor did not respond. Check that DDC/CI is enabled.");
    case Kind::invalidResponse:
        return QCoreApplication::translate("ClientError", "The monitor returned an unreadable value.");
    case Kind::helperMissing:
        return HelperWording::helperMissing();
    case Kind::launchFailed:
    case Kind::timedOut:
        return m_payload;
    case Kind::cancelled:
        return QCoreApplication::translate("ClientError", "The operation was cancelled.");
    }
    return {};
}
