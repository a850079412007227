#include "scriptedprompt.h"

namespace orv::ui {

QList<ScriptedPrompt::Call> ScriptedPrompt::of(Kind kind) const
{
    QList<Call> found;
    for (const Call& c : calls) {
        if (c.kind == kind)
            found.append(c);
    }
    return found;
}

Respuesta ScriptedPrompt::mensaje(QWidget*, const QString& texto, const QString& titulo,
                                  Icono icono, Botones botones)
{
    Call c;
    c.kind = Kind::Mensaje;
    c.texto = texto;
    c.titulo = titulo;
    c.icono = icono;
    c.botones = botones;
    calls.append(c);
    return respuestas.isEmpty() ? respuestaAlCerrar(botones) : respuestas.takeFirst();
}

std::optional<QString> ScriptedPrompt::entrada(QWidget*, const QString& texto,
                                               const QString& titulo, const QString& inicial)
{
    Call c;
    c.kind = Kind::Entrada;
    c.texto = texto;
    c.titulo = titulo;
    c.inicial = inicial;
    calls.append(c);
    return entradas.isEmpty() ? std::nullopt : entradas.takeFirst();
}

QString ScriptedPrompt::abrirArchivo(QWidget*, const QString& titulo, const QString& filtro)
{
    return archivo(Kind::AbrirArchivo, titulo, filtro);
}

QStringList ScriptedPrompt::abrirArchivos(QWidget*, const QString& titulo, const QString& filtro)
{
    Call c;
    c.kind = Kind::AbrirArchivos;
    c.titulo = titulo;
    c.filtro = filtro;
    calls.append(c);
    return listas.isEmpty() ? QStringList() : listas.takeFirst();
}

QString ScriptedPrompt::guardarArchivo(QWidget*, const QString& titulo, const QString& filtro,
                                       const QString& inicial)
{
    const QString elegido = archivo(Kind::GuardarArchivo, titulo, filtro);
    calls.last().inicial = inicial;
    return elegido;
}

// Both file dialogs answer from the one queue of file names.
QString ScriptedPrompt::archivo(Kind kind, const QString& titulo, const QString& filtro)
{
    Call c;
    c.kind = kind;
    c.titulo = titulo;
    c.filtro = filtro;
    calls.append(c);
    return archivos.isEmpty() ? QString() : archivos.takeFirst();
}

std::optional<QColor> ScriptedPrompt::color(QWidget*, const QColor& inicial)
{
    Call c;
    c.kind = Kind::Color;
    c.colorInicial = inicial;
    calls.append(c);
    return colores.isEmpty() ? std::nullopt : colores.takeFirst();
}

} // namespace orv::ui
