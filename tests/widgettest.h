#pragma once
// What the window tests share: dialogs answered by a script, children found
// by name, drops handed over, and a list's lines.
#include "historial.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

namespace widgettest {

// Every dialog of its lifetime goes to the script instead of the screen.
struct Guion : orv::ui::ScriptedPrompt
{
    orv::ui::ScopedPrompt instalado{*this};
};

template <class T = QAction> T* hijo(const QObject& padre, const QString& nombre)
{
    T* c = padre.findChild<T*>(nombre);
    if (!c)
        qFatal("no child %s", qPrintable(nombre));
    return c;
}

template <class T = QAction> T* hijo(const QObject& padre, const char* nombre)
{
    return hijo<T>(padre, QString::fromLatin1(nombre));
}

// A drag of the files onto `destino`, then its drop, handed over the way the
// event loop does once a drag has entered (offscreen there is no drag
// manager to route them). Answers whether the drag was accepted.
inline bool suelta(QWidget* destino, const QStringList& rutas)
{
    QMimeData datos;
    QList<QUrl> urls;
    for (const QString& r : rutas)
        urls << QUrl::fromLocalFile(r);
    datos.setUrls(urls);
    QDragEnterEvent entra(QPoint(5, 5), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(destino, &entra);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(destino, &drop);
    return entra.isAccepted();
}

inline QStringList textos(const QListWidget* lista)
{
    QStringList t;
    for (int i = 0; i < lista->count(); ++i)
        t << lista->item(i)->text();
    return t;
}

using ::sinHoras;

} // namespace widgettest
