#include "htmlexport.h"

#include "cp1252.h"
#include "filename.h"

#include <QFileInfo>

namespace orv {
namespace {

QByteArray colorCss(std::uint32_t rgb)
{
    return '#' + QByteArray::number(rgb & 0xFFFFFF, 16).rightJustified(6, '0');
}

// The page's markup and player; %TITULO%, %FONDO%, %LETRAS%, %PUNTOS%,
// %ULTIMO% and %PAUSA% are filled in, the frames follow it.
constexpr char kHeader[] = R"(<!DOCTYPE html>
<html lang="es">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'">
<title>%TITULO%</title>
<style>
body { margin: 0; background: %FONDO%; color: %LETRAS%; font-family: sans-serif; }
#pantalla { margin: 8px; font-family: "Courier New", "Liberation Mono", monospace; font-size: %PUNTOS%pt; line-height: 1.15; }
#controles { display: flex; gap: 6px; align-items: center; padding: 8px; position: sticky; top: 0; background: %FONDO%; }
#posicion { flex: 1; }
</style>
</head>
<body>
<div id="controles">
<button id="rebobinar" title="Rebobinar">|&lt;</button>
<button id="retrocede" title="Retroceder un cuadro">&lt;</button>
<button id="reproducir" title="Reproducir/Detener">&#x25B6;</button>
<button id="avanza" title="Avanzar un cuadro">&gt;</button>
<input id="posicion" type="range" min="0" max="%ULTIMO%" value="0">
<label><input id="repetir" type="checkbox"> Repetir</label>
<span id="estado"></span>
</div>
<pre id="pantalla"></pre>
<script>
(function () {
  "use strict";
  var pausa = %PAUSA%;
  var cuadros = null, actual = 0, reloj = null;
  var $ = function (id) { return document.getElementById(id); };
  function muestra(i) {
    actual = Math.max(0, Math.min(cuadros.length - 1, i));
    $("pantalla").textContent = cuadros[actual];
    $("posicion").value = actual;
    $("estado").textContent = "Cuadro " + (actual + 1) + " de " + cuadros.length;
  }
  function detiene() {
    if (reloj !== null) clearInterval(reloj);
    reloj = null;
    $("reproducir").innerHTML = "&#x25B6;";
  }
  function tick() {
    if (actual < cuadros.length - 1) { muestra(actual + 1); return; }
    if (!$("repetir").checked) detiene();
    muestra(0);
  }
  function alterna() {
    if (reloj !== null) { detiene(); return; }
    if (cuadros.length < 2) return;
    reloj = setInterval(tick, pausa);
    $("reproducir").innerHTML = "&#x25A0;";
  }
  window.addEventListener("DOMContentLoaded", function () {
    cuadros = JSON.parse($("cuadros").textContent);
    var uno = cuadros.length < 2;
    ["reproducir", "avanza", "retrocede", "posicion"].forEach(function (id) { $(id).disabled = uno; });
    $("reproducir").onclick = alterna;
    $("rebobinar").onclick = function () { muestra(0); };
    $("avanza").onclick = function () { muestra(actual + 1); };
    $("retrocede").onclick = function () { muestra(actual - 1); };
    $("posicion").oninput = function () { muestra(parseInt(this.value, 10)); };
    // The page's keys, whatever control has the focus (the slider or a
    // button would otherwise take them); only a text field keeps its own.
    document.addEventListener("keydown", function (e) {
      var t = e.target;
      if (t.tagName === "TEXTAREA" || (t.tagName === "INPUT" && /^(text|search|number)$/.test(t.type))) return;
      if (e.key === " ") alterna();
      else if (e.key === "ArrowRight") muestra(actual + 1);
      else if (e.key === "ArrowLeft") muestra(actual - 1);
      else if (e.key === "Home") muestra(0);
      else return;
      e.preventDefault();
    }, true);
    muestra(0);
  });
})();
</script>
<script type="application/json" id="cuadros">[)";

constexpr char kPie[] = "]</script>\n</body>\n</html>\n";

} // namespace

ExportResult exportHtml(const Movie& movie, const FileName& path, const ExportOptions& options,
                        QString* error)
{
    const JsonTable& table = jsonTable(true);
    const int total = movie.numCuadros;
    const auto part = [&](int i, QByteArray& text) {
        if (i < 0) {
            QByteArray header(kHeader);
            const QString name = movie.nombreArchivo.isEmpty() ? QFileInfo(path.leaf().display()).completeBaseName()
                                                               : movie.nombreArchivo;
            header.replace("%TITULO%", name.toHtmlEscaped().toUtf8());
            header.replace("%FONDO%", colorCss(options.background));
            header.replace("%LETRAS%", colorCss(options.letters));
            header.replace("%PUNTOS%",
                           QByteArray::number(options.points > 0 ? options.points : 8, 'g', 6));
            header.replace("%ULTIMO%", QByteArray::number(std::max(0, total - 1)));
            header.replace("%PAUSA%", QByteArray::number(exportPause(movie)));
            text.append(header);
            return;
        }
        if (i >= total) {
            text.append(kPie);
            return;
        }
        text.append(i > 0 ? ",\n\"" : "\"");
        addFrameJson(text, movie, i, table, [](QByteArray& out, int row) {
            if (row > 0)
                out.append("\\n", 2);
        });
        text.append('"');
    };
    return writeExport(path, options, total, part, error);
}

} // namespace orv
