#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Movies on disk and a clean settings store for the Player's widget tests.
namespace playerfixtures {

// Points XDG_CONFIG_HOME at a temporary folder for the whole test run. Call
// from the test class's initMain(), before anything reads a setting.
void aislaAjustes();

// Empties the Player's settings (a first run).
void limpiaAjustes();

void ponAjuste(const QString& nombre, const QString& valor);
QString ajuste(const QString& nombre);

// The frame lines of a movie: frame i is `ancho * alto` copies of the
// character 'A' + i % 26, so every frame is told apart by its letter.
QByteArray lineaCuadro(int ancho, int alto, int i);

// A plain movie: header "ancho,alto,cuadros,pausa,0,0,0,0,creador,masInfo"
// and its frame lines, CR LF after each, in Windows-1252.
QByteArray pelicula(int ancho, int alto, int cuadros, double pausa,
                    const QByteArray& creador = "Autor",
                    const QByteArray& masInfo = "Película de prueba");

QString escribe(const QTemporaryDir& dir, const QString& nombre, const QByteArray& bytes);

// A compressed movie: a ZIP archive whose one member, named `miembro`,
// holds `contenido`.
QString escribeComprimida(const QTemporaryDir& dir, const QString& nombre, const QString& miembro,
                          const QByteArray& contenido);

} // namespace playerfixtures
