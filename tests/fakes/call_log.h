#pragma once

#include <QString>
#include <QStringList>
#include <memory>

// The calls that reached the fakes, in order, as "Object.Operation(args)". Several fakes may share
// one log so that tests see the order across components.
using CallLog = std::shared_ptr<QStringList>;

inline CallLog MakeCallLog() {
    return std::make_shared<QStringList>();
}
