# The real models the checks run on, taken from Debian packages. Source it after setting
# `models`, the folder the packages are unpacked into; it starts nothing by itself.

# package_file PACKAGE PATH [INNER]: prints the path of a file of a Debian package, the
# installed one, else unpacked from the package's archive (fetched with apt-get download).
# INNER names a file inside PATH, a tar.gz of the package.
package_file() {
    local package=$1 path=$2 inner=${3:-}
    if [ -z "$inner" ] && [ -f "$path" ]; then
        echo "$path"
        return
    fi
    local unpacked=$models/$package
    if [ ! -d "$unpacked" ]; then
        (cd "$models" && apt-get download "$package" >/dev/null 2>&1) || {
            echo "cannot fetch the package $package" >&2
            return 1
        }
        mkdir -p "$unpacked"
        dpkg-deb -x "$models/${package}"_*.deb "$unpacked"
    fi
    if [ -n "$inner" ]; then
        local archive=$path
        [ -f "$archive" ] || archive=$unpacked$path
        local dest=$models/$package-inner
        if [ ! -f "$dest/$inner" ]; then
            mkdir -p "$dest"
            tar -xzf "$archive" -C "$dest" "$inner"
        fi
        echo "$dest/$inner"
    else
        echo "$unpacked$path"
    fi
}

# Where the packages keep their models.
assimp=/usr/share/assimp/models
cgal=/usr/share/doc/libcgal-dev/data.tar.gz
