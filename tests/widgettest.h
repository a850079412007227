#pragma once

#include "filelist.h"
// What the window tests share: dialogs answered by a script, children found
// by name, drops handed over, and a list's lines.
#include "history.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QTest>
#include <QMimeData>
#include <QUrl>

namespace widgettest {

// Files put in one of the programs' file lists as a drop or "Agregar..."
// would put them, by their names as text.
inline void addFiles(QListWidget* list, const QStringList& paths)
{
    auto* files = qobject_cast<orv::ui::FileList*>(list);
    QVERIFY(files);
    for (const QString& p : paths)
        files->addPath(orv::FileName::fromText(p));
}

// Every dialog of its lifetime goes to the script instead of the screen.
struct Script : orv::ui::ScriptedPrompt
{
    orv::ui::ScopedPrompt installed{*this};
};

template <class T = QAction> T* child(const QObject& parent, const QString& name)
{
    T* c = parent.findChild<T*>(name);
    if (!c)
        qFatal("no child %s", qPrintable(name));
    return c;
}

template <class T = QAction> T* child(const QObject& parent, const char* name)
{
    return child<T>(parent, QString::fromLatin1(name));
}

// A drag of the files onto `target`, then its drop, handed over the way the
// event loop does once a drag has entered (offscreen there is no drag
// manager to route them). Answers whether the drag was accepted.
inline bool dropFiles(QWidget* target, const QStringList& paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& r : paths)
        urls << QUrl::fromLocalFile(r);
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return enter.isAccepted();
}

inline QStringList texts(const QListWidget* list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i)
        t << list->item(i)->text();
    return t;
}

using ::withoutTimes;

} // namespace widgettest
