#!/usr/bin/env bash
# Builds a release of the suite and its Debian package, build/orvane-suite_*.deb.
#   bash scripts/package.sh           the package
#   bash scripts/package.sh --check   the package, then checks it unpacked:
#                                     files, desktop entries, AppStream
#                                     metadata, manual pages, completion,
#                                     lintian
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
[ "${1:-}" = --check ] && check=1

ORV_WITH_PACKAGE=1 bash scripts/deps.sh

# Debian's hardening flags, as a package built by its own tools gets them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build build/package -j"$(nproc)"
(cd build/package && cpack -G DEB)
rm -f build/orvane-suite_*.deb
cp build/package/orvane-suite_*.deb build/
deb=$(ls build/orvane-suite_*.deb)
echo "Package: $deb"
[ $check = 1 ] || exit 0

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
fail=0
problem() { echo "FALLO: $*"; fail=1; }

echo "== Files"
expected=(
    usr/bin/orv usr/bin/OrvPlayer usr/bin/OrvCreator usr/bin/OrvConverter usr/bin/OrvCompactor usr/bin/OrvEditor
    usr/libexec/orvane/orv-draw
    usr/share/mime/packages/orvane-ascii.xml
    usr/share/icons/hicolor/scalable/mimetypes/application-x-orvane-movie.svg
    usr/share/doc/orvane-suite/copyright usr/share/doc/orvane-suite/changelog.gz
    usr/share/doc/orvane-suite/README.md.gz
    usr/share/bash-completion/completions/orv
)
for document in user-guide file-format performance architecture; do
    expected+=(usr/share/doc/orvane-suite/docs/$document.md.gz)
done
for page in orv OrvPlayer OrvCreator OrvConverter OrvCompactor OrvEditor; do
    expected+=(usr/share/man/man1/$page.1.gz)
done
for p in player creator converter compactor editor; do
    desktop=orvane-$p.desktop
    [ $p = editor ] && desktop=orvane-suite-editor.desktop
    expected+=(usr/share/applications/$desktop usr/share/icons/hicolor/scalable/apps/orvane-$p.svg
               usr/share/orvane-suite/screenshots/orvane-$p.png)
done
for p in Player Creator Converter Compactor Editor; do
    expected+=(usr/share/metainfo/org.orvane.Orv$p.metainfo.xml)
done
for size in 16 32 48 64 128 256; do
    expected+=(usr/share/icons/hicolor/${size}x$size/mimetypes/application-x-orvane-movie.png)
    for p in player creator converter compactor editor; do
        expected+=(usr/share/icons/hicolor/${size}x$size/apps/orvane-$p.png)
    done
done
for f in "${expected[@]}"; do
    [ -s "$root/$f" ] || problem "falta $f"
done
echo "${#expected[@]} files present"
for size in 16 256; do
    file "$root/usr/share/icons/hicolor/${size}x$size/apps/orvane-player.png" | grep -q "$size x $size" ||
        problem "the ${size}px picture is not ${size}x$size"
done

echo "== Desktop entries"
for f in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$f" || problem "desktop-file-validate $(basename "$f")"
done

echo "== The Player stays the movies' default"
update-desktop-database "$root/usr/share/applications"
grep -q "^application/x-orvane-movie=orvane-player.desktop;orvane-suite-editor.desktop;" \
    "$root/usr/share/applications/mimeinfo.cache" || problem "the MIME cache does not list the Player first"
rm -f "$root/usr/share/applications/mimeinfo.cache"

echo "== AppStream"
for f in "$root"/usr/share/metainfo/*.xml; do
    appstreamcli validate --no-net "$f" || problem "appstreamcli $(basename "$f")"
done

echo "== Manual pages"
for f in "$root"/usr/share/man/man1/*.gz; do
    warnings=$(MANWIDTH=80 man --warnings -l "$f" 2>&1 >/dev/null)
    [ -z "$warnings" ] || problem "man $(basename "$f"): $warnings"
done
MANWIDTH=80 man -l "$root/usr/share/man/man1/orv.1.gz" | grep -q "ESTADO DE SALIDA" || problem "orv(1) unreadable"

echo "== orv hands the drawing verbs to orv-draw"
"$root/usr/bin/orv" create --help | grep -q "Uso: orv create" || problem "orv create does not reach orv-draw"
[ "$(ldd "$root/usr/bin/orv" | grep -c libQt6Gui || true)" = 0 ] || problem "orv links QtGui"

echo "== Completion"
verbs=$(cd "$root" && bash -c '
    source /usr/share/bash-completion/bash_completion
    source usr/share/bash-completion/completions/orv
    COMP_WORDS=(orv ""); COMP_CWORD=1; COMP_LINE="orv "; COMP_POINT=4
    _orv; echo "${COMPREPLY[*]}"')
echo "orv <Tab>: $verbs"
for v in info frame compact create convert export play edit; do
    [[ " $verbs " == *" $v "* ]] || problem "the completion does not offer $v"
done

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 --display-info "$deb" || problem "lintian"

[ $fail = 0 ] && echo "The package passed every check." || { echo "The package failed a check."; exit 1; }
