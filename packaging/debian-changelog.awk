# CHANGELOG.md on standard input, Debian's changelog format on standard output: each
# "## VERSION (YYYY-MM-DD)" entry becomes one stanza, each "- " item (with the lines that
# continue it) one "  * " line wrapped at 78 columns. Variables: package, maintainer.

function wrap(text,    words, n, k, line, out) {
    n = split(text, words, /[ \t]+/)
    line = "  *"
    out = ""
    for (k = 1; k <= n; k++) {
        if (words[k] == "") continue
        if (length(line) + 1 + length(words[k]) > 78 && line != "  *" && line != "   ") {
            out = out line "\n"
            line = "   "
        }
        line = line " " words[k]
    }
    return out line "\n"
}

function flushItem() {
    if (item != "") printf "%s", wrap(item)
    item = ""
}

function closeEntry(    stamp, command) {
    flushItem()
    if (date == "") return
    command = "date -u -R -d " date
    command | getline stamp
    close(command)
    printf "\n -- %s  %s\n", maintainer, stamp
    date = ""
}

/^## / {
    closeEntry()
    if (!match($0, /^## [^ ]+ \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)$/)) {
        print "CHANGELOG.md: an entry heading is not \"## VERSION (YYYY-MM-DD)\": " $0 > "/dev/stderr"
        failed = 1
        exit 1
    }
    version = $2
    date = substr($3, 2, 10)
    if (entries++ > 0) print ""
    printf "%s (%s) unstable; urgency=medium\n\n", package, version
    inEntry = 1
    next
}
inEntry && /^- / { flushItem(); item = substr($0, 3); next }
inEntry && /^  +[^ ]/ && item != "" { item = item " " $0; next }
inEntry && /^$/ { flushItem(); next }

END {
    if (failed) exit 1
    closeEntry()
    if (entries == 0) {
        print "CHANGELOG.md: no entry" > "/dev/stderr"
        exit 1
    }
}
