#pragma once

// A window's control by its object name, as a person finds it by its caption: the one control
// of that name and kind under `parent`. None, or two of the name, stops the test with the name,
// so that a renamed or doubled control is a failure and never a quiet pass.

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace gui_testing {

template <class W>
W* findNamed(const QObject* parent, const QString& name) {
    const QList<W*> found = parent->findChildren<W*>(name);
    if (found.size() != 1)
        qFatal("%d controls named %s under %s", int(found.size()), qPrintable(name),
               qPrintable(parent->objectName()));
    return found.first();
}

template <class W>
W* findNamed(const QObject* parent, const char* name) {
    return findNamed<W>(parent, QString::fromLatin1(name));
}

}  // namespace gui_testing
