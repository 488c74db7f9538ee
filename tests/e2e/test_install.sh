#!/usr/bin/env bash
# The package round trip. CPack makes the Debian package from this build folder (whatever its
# prefix, the package installs under /usr), Debian's own checker finds no error or warning in
# it, apt installs it, the installed desktop entry and software-centre metadata validate, and
# the installed program, started from / as the installed desktop entry starts it (on the
# installed ball), shows the marble on its pillars, read from the installed data folder, and
# says nothing about missing files; started from / on a model of another form, it prepares the
# model with the installed tool and shows it, and F12 saves its picture in the home folder, not
# in /. Then the package is purged, and nothing of it is left.
# Installing needs root, or sudo as scripts/install-deps.sh uses it.
source "$(dirname "$0")/lib.sh"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
apt_get() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -y -qq -o DPkg::Lock::Timeout=300 "$@" \
        >>"$E2E_WORK/apt.log" 2>&1
}

cpack --config "$PLIMMERTON_BINARY_DIR/CPackConfig.cmake" -G DEB -B "$E2E_WORK/package" \
    >"$E2E_WORK/cpack.log" 2>&1
deb=$(ls "$E2E_WORK"/package/plimmerton_*.deb 2>/dev/null | head -n1)
if [ -z "$deb" ]; then
    fail "CPack makes a package" "$(tail -n 20 "$E2E_WORK/cpack.log")"
    finish
fi
depends=$(dpkg-deb -f "$deb" Depends)
for library in libcoin80c libsoqt520 libstb0 libassimp5; do
    check "the package depends on $library" grep -q "\b$library\b" <<<"$depends"
done

# Debian's checker ends with status 2 on an error or warning, or when it cannot check at all;
# the tags it found, information included, are in the log.
lintian_status=0
lintian -I --fail-on error,warning "$deb" >"$E2E_WORK/lintian.log" 2>&1 || lintian_status=$?
check_equal "lintian: no error or warning" "status 0" \
    "status $lintian_status$(grep -E '^(E|W): ' "$E2E_WORK/lintian.log" | sed 's/^/; /')"

# The file system as it was, to compare with what the purge leaves.
system_files() { find /usr /etc /opt -xdev 2>/dev/null | sort; }
system_files >"$E2E_WORK/before-install"

trap 'apt_get purge plimmerton; e2e_cleanup' EXIT
if ! apt_get install "$deb"; then
    fail "the package installs" "$(tail -n 20 "$E2E_WORK/apt.log")"
    finish
fi
installed=$(dpkg -L plimmerton)
for file in bin/plimmerton bin/plimmerton-sim bin/plimmerton-mkdata bin/plimmerton-prepare \
    share/plimmerton/ball.toff share/plimmerton/box.off share/plimmerton/body.tga \
    share/plimmerton/col.tga share/plimmerton/two-balls.toml share/man/man1/plimmerton.1.gz share/man/man1/plimmerton-sim.1.gz \
    share/man/man1/plimmerton-mkdata.1.gz share/man/man1/plimmerton-prepare.1.gz \
    share/applications/plimmerton.desktop share/icons/hicolor/128x128/apps/plimmerton.png \
    share/doc/plimmerton/copyright share/doc/plimmerton/changelog.gz \
    share/metainfo/org.plimmerton.plimmerton.metainfo.xml; do
    check "installed under /usr: $file" grep -q "^/usr/$file\$" <<<"$installed"
done
metainfo=$(grep '/share/metainfo/.*\.metainfo\.xml$' <<<"$installed")
# The metadata's homepage and screenshot are on the project's site; this check stays offline.
check_equal "appstreamcli validate: no error or warning" "" \
    "$(appstreamcli validate --no-net "$metainfo" 2>&1 | grep -E '^(E|W): '; \
       appstreamcli validate --no-net "$metainfo" >/dev/null 2>&1 || echo "status $?")"
check_equal "desktop-file-validate: clean" "" \
    "$(desktop-file-validate "$(grep '/plimmerton.desktop$' <<<"$installed")" 2>&1)"
data=$(dirname "$(grep '/share/plimmerton/col.tga$' <<<"$installed")")
entry=$(grep '/share/applications/plimmerton.desktop$' <<<"$installed")
read -r -a command <<<"$(sed -n 's/^Exec=//p' "$entry")"
check "the desktop entry starts the installed program on the installed ball" \
    grep -q "^/.*/bin/plimmerton -i $data/ball.toff " <<<"${command[*]}"

start_display || finish
opened="$E2E_WORK/opened"
cd / && strace -f -qq -e trace=open,openat -o "$opened" "${command[@]}" \
    >"$PROGRAM_OUT" 2>"$PROGRAM_ERR" &
PROGRAM_PID=$!
E2E_PIDS+=("$PROGRAM_PID")
if window=$(find_window); then
    activate_window "$window"
    shot="$E2E_WORK/installed.png"
    if wait_until 60 frame_drawn "$window" "$shot"; then
        pixel_kinds "$shot"
        check "the pillars wear the marble ($WARM warm pixels)" [ "$WARM" -gt 12000 ]
    else
        fail "a first frame drawn"
    fi
    close_window
    wait_program 30
    check_equal "closing the window ends with status 0" 0 "$PROGRAM_STATUS"
else
    fail "a window" "$(cat "$PROGRAM_ERR")"
fi
check "the marble read from the installed data folder" grep -q "\"$data/col.tga\"" "$opened"
check_equal "nothing on standard error about a missing file" "" \
    "$(grep -i "exist\|find\|no such\|col.tga" "$PROGRAM_ERR")"

# A model named as the only argument, from /, as `plimmerton bunny.obj` would be typed there.
home="$E2E_WORK/home"
mkdir -p "$home" "$E2E_WORK/config"
cp "$PLIMMERTON_SOURCE_DIR/fuzz/corpus-prepare/cube.obj" "$E2E_WORK/cube.obj"
cd / && HOME="$home" XDG_CONFIG_HOME="$E2E_WORK/config" XDG_CACHE_HOME="" \
    "${command[0]}" "${E2E_WORK#/}/cube.obj" >"$PROGRAM_OUT" 2>"$PROGRAM_ERR" &
PROGRAM_PID=$!
E2E_PIDS+=("$PROGRAM_PID")
if window=$(find_window); then
    activate_window "$window"
    wait_until 60 frame_drawn "$window" "$E2E_WORK/model.png" || fail "a first frame of the model"
    check "the installed tool prepared the model into the user's cache" \
        bash -c "ls '$home'/.cache/plimmerton/*.toff"
    check "and the program read the prepared body" grep -q "^(1000 points)" "$PROGRAM_ERR"
    type_keys F12
    wait_until 10 grep -q "^screenshot: " "$PROGRAM_OUT"
    check "F12 from /: the picture in the home folder ($(cat "$PROGRAM_OUT" | tail -n1))" \
        grep -qx "screenshot: $home/plimmerton-.*\.png" "$PROGRAM_OUT"
    close_window
    wait_program 30
    check_equal "closing the window ends with status 0" 0 "$PROGRAM_STATUS"
else
    fail "a window for the model" "$(cat "$PROGRAM_ERR")"
fi

apt_get purge plimmerton
check "the package is removed again" [ -z "$(dpkg -L plimmerton 2>/dev/null)" ]
check "and its program with it" [ ! -e "${command[0]}" ]
system_files >"$E2E_WORK/after-purge"
check_equal "nothing of the package is left, and nothing else is gone" "" \
    "$(diff "$E2E_WORK/before-install" "$E2E_WORK/after-purge")"
trap e2e_cleanup EXIT

finish
