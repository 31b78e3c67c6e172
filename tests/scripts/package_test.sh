#!/usr/bin/env bash
# The Debian package, made by CPack from the build folder into a scratch
# folder and unpacked there (nothing is installed): it holds the programs and
# every file the desktop and the shell look for, only below /usr and no cache,
# its control fields name it and its dependencies, the unpacked command line
# runs, and the desktop entry, the AppStream metadata and the file type pass
# their validators.
# usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION [CPACK]
set -euo pipefail

build=$(realpath "$1")
source_dir=$(realpath "$2")
version=$3
cpack=${4:-cpack}
id=org.example.edamaki

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail()
{
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    exit 1
fi
arch=$(dpkg --print-architecture)
deb=$scratch/out/edamaki_${version}_${arch}.deb
if [ ! -f "$deb" ]; then
    echo "FAIL: no edamaki_${version}_${arch}.deb; made: $(ls "$scratch/out")" >&2
    exit 1
fi

# The control fields.
field()
{
    dpkg-deb -f "$deb" "$1"
}
[ "$(field Package)" = edamaki ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
for library in libqt6widgets6 libqt6core6 libc6 libstdc++6; do
    [[ ", $(field Depends)," == *", $library "* ]] || fail "Depends names no $library: $(field Depends)"
done
for name in Maintainer Section Description; do
    [ -n "$(field "$name")" ] || fail "no $name"
done
[ "$(dpkg-deb -f "$deb" Description | wc -l)" -gt 2 ] || fail "no long description"
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qE 'preinst|postinst|prerm|postrm' && fail "maintainer scripts in the package"

# The files, all below /usr, and no cache of the desktop's databases.
dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root
expected=(
    usr/bin/edamaki usr/bin/edamaki-cli
    usr/share/edamaki/Ramuspan.html
    "usr/share/applications/$id.desktop"
    "usr/share/metainfo/$id.metainfo.xml"
    usr/share/mime/packages/edamaki.xml
    usr/share/man/man1/edamaki.1.gz usr/share/man/man1/edamaki-cli.1.gz
    usr/share/bash-completion/completions/edamaki usr/share/bash-completion/completions/edamaki-cli
    usr/share/doc/edamaki/copyright
    usr/share/edamaki/templates/顧客案件.fms usr/share/edamaki/templates/年度経理.fms
    usr/share/edamaki/templates/年度月次.fms usr/share/edamaki/templates/顧客案件.csv
)
for size in 16 32 48 256; do
    expected+=("usr/share/icons/hicolor/${size}x$size/apps/edamaki.png"
        "usr/share/icons/hicolor/${size}x$size/mimetypes/text-x-edamaki-macro.png")
done
for file in "${expected[@]}"; do
    [ -f "$root/$file" ] || fail "no /$file"
done
for program in edamaki edamaki-cli; do
    [ -x "$root/usr/bin/$program" ] || fail "/usr/bin/$program can't be run"
done
for page in edamaki edamaki-cli; do
    gzip -t "$root/usr/share/man/man1/$page.1.gz" || fail "$page.1.gz is no gzip file"
done
outside=$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$outside" ] || fail "files outside /usr: $outside"
caches=$(cd "$root/usr/share" && find mime icons applications -type f \
    ! -path 'mime/packages/*' ! -name '*.png' ! -name '*.desktop')
[ -z "$caches" ] || fail "caches in the package: $caches"
cmp -s "$root/usr/share/doc/edamaki/copyright" "$source_dir/LICENSE" || fail "copyright is not LICENSE"

# The unpacked command line on an example.
cli=$root/usr/bin/edamaki-cli
[ "$("$cli" --version)" = "edamaki-cli ${version%.*}" ] || fail "edamaki-cli --version: $("$cli" --version)"
mkdir "$scratch/parent"
if dry_run=$("$cli" create --dry-run --parent "$scratch/parent" "$source_dir/examples/projects.fms" 2>/dev/null); then
    grep -q "^+ $scratch/parent/" <<<"$dry_run" || fail "the dry run names no folder: $dry_run"
else
    fail "edamaki-cli create --dry-run exits $?"
fi
[ -z "$(ls -A "$scratch/parent")" ] || fail "the dry run made folders"
"$cli" convert --to text "$source_dir/examples/projects.fms" >/dev/null || fail "edamaki-cli convert exits $?"

# The validators, where they are installed.
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
    grep -qx 'MimeType=text/x-edamaki-macro;' "$root/usr/share/applications/$id.desktop" || fail "no MimeType"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >"$scratch/appstream.log" 2>&1 \
        || { cat "$scratch/appstream.log" >&2; fail "appstreamcli validate"; }
fi
if command -v update-mime-database >/dev/null; then
    mkdir -p "$scratch/mime/packages"
    cp "$root/usr/share/mime/packages/edamaki.xml" "$scratch/mime/packages/"
    if messages=$(XDG_DATA_HOME=$scratch XDG_DATA_DIRS=$scratch update-mime-database "$scratch/mime" 2>&1) && [ -z "$messages" ]; then
        grep -qx '50:text/x-edamaki-macro:\*\.fms' "$scratch/mime/globs2" || fail "the file type has no *.fms"
        grep -qa 'x-edamaki-macro' "$scratch/mime/magic" || fail "the file type has no magic"
    else
        fail "update-mime-database: $messages"
    fi
fi

[ $failures -eq 0 ] || exit 1
echo "package: $(basename "$deb"), $(dpkg-deb -c "$deb" | wc -l) entries, Depends: $(field Depends)"
