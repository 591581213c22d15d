// SPDX-License-Identifier: MIT
#pragma once

// A seam in the data control's record set: records every operation asked of
// it, by name, and makes chosen ones raise a store::Error.

#include "datacontrol.h"
#include "error.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <string_view>
#include <vector>

// The number of every error the seam raises.
inline constexpr int kForcedError = 9999;

inline QString forcedDescription(const QString& operation)
{
    return QStringLiteral("forced failure of ") + operation;
}

// ConnectDatabase's second box for an error the seam raised.
inline QString forcedDetailText(const QString& operation)
{
    return QStringLiteral("%1:  %2").arg(kForcedError).arg(forcedDescription(operation));
}

// Remove it before the data control goes.
class OperationSeam {
public:
    explicit OperationSeam(store::DataControl& data) : data_(data)
    {
        data_.hooks.beforeOperation = [this](std::string_view operation) {
            const QString name = QString::fromUtf8(operation.data(), qsizetype(operation.size()));
            trace << name;
            const int seen = ++calls_[name];
            if (onOperation)
                onOperation(name);
            for (const auto& failure : failures_) {
                if (failure.operation == name && (failure.occurrence == 0 || failure.occurrence == seen))
                    throw store::Error(kForcedError, forcedDescription(name).toStdString());
            }
        };
    }
    ~OperationSeam() { data_.hooks.beforeOperation = nullptr; }

    OperationSeam(const OperationSeam&) = delete;
    OperationSeam& operator=(const OperationSeam&) = delete;

    // The `occurrence`-th call of `operation` from now on fails; 0: every call.
    void failAt(const QString& operation, int occurrence = 1)
    {
        failures_.push_back({operation, occurrence ? calls_.value(operation) + occurrence : 0});
    }

    QStringList trace;
    std::function<void(const QString&)> onOperation; // runs before a failure is raised

private:
    struct Failure {
        QString operation;
        int occurrence;
    };
    store::DataControl& data_;
    std::vector<Failure> failures_;
    QHash<QString, int> calls_;
};
