#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# Gives every tracked source, script and build file that lacks it the
# two-line licence header, in the comment syntax of its kind: after a
# shebang or a doctype line, set apart from what follows. Files that cannot
# carry a comment are covered by a pattern of .reuse/dep5 and left alone.
# Run it again and nothing changes. Names the files of a kind it does not
# know, and then fails, so that a new kind gets a rule here or a pattern
# there; `reuse lint` checks the result.
#
#   scripts/license-headers.sh [--dry-run]
set -euo pipefail
cd "$(dirname "$0")/.."

# The tags are put together here, so that reuse does not read this line
# as this file's own.
tag=SPDX
copyright="$tag-FileCopyrightText: 2026 The Patrulha Estelar developers"
licence="$tag-License-Identifier: MIT"
dry_run=0
[ "${1:-}" = --dry-run ] && dry_run=1

# The Files patterns of .reuse/dep5. Its * matches across folders, as a
# glob does in bash's [[ == ]].
covered=()
while read -r field rest; do
    [ "$field" = Files: ] && read -r -a more <<<"$rest" && covered+=("${more[@]}")
done <.reuse/dep5

is_covered() {
    local pattern
    for pattern in "${covered[@]}"; do
        # shellcheck disable=SC2053  # the pattern is a glob on purpose
        [[ $1 == $pattern ]] && return 0
    done
    return 1
}

# The comment's opening and closing for file $1, or nothing for a kind
# not known here.
comment_of() {
    case "$1" in
        *.cpp | *.h | *.c | *.cc | *.hpp | *.js | *.cjs | *.mjs | *.rc | *.rc.in) echo '//|' ;;
        *.css) echo '/*| */' ;;
        *.html | *.html.in | *.xml | *.svg) echo '<!--| -->' ;;
        *.[1-9] | *.[1-9].in) echo '.\"|' ;;
        *.sh | *.bash | *.cmake | CMakeLists.txt | */CMakeLists.txt | *.py | *.rb | *.pl | \
            *.yml | *.yaml | *.toml | *.spec | *PKGBUILD | *.dict | *.conf | *.cfg | \
            .clang-format | .gitignore | */.gitignore | .gitattributes | *.service | Makefile | \
            */Makefile | *.mk)
            echo '#|'
            ;;
        *)
            # A script without an extension (check, play, .ci/run).
            if head -c 2 "$1" | grep -q '^#!'; then echo '#|'; fi
            ;;
    esac
}

# Writes file $1 with the header in comment syntax $2 ("open|close").
add_header() {
    local file=$1 open=${2%%|*} close=${2#*|} skip=0 first
    IFS= read -r first <"$file" || true
    case "$first" in
        '#!'* | '<!DOCTYPE'* | '<!doctype'* | '<?xml'*) skip=1 ;;
    esac
    local tmp
    tmp=$(mktemp "$file.XXXXXX")
    {
        [ $skip = 1 ] && printf '%s\n' "$first"
        printf '%s %s%s\n%s %s%s\n' "$open" "$copyright" "$close" "$open" "$licence" "$close"
        # Set apart from what follows: by an empty comment line where a
        # script's comment goes on (a usage read from the top stays whole),
        # by a blank line elsewhere; in a manual page, where a blank line
        # would print, not at all.
        local next
        next=$(sed -n "$((skip + 1))p" "$file")
        if [ "$open" = '#' ] && [ "${next:0:1}" = '#' ]; then
            echo '#'
        elif [ "$open" != '.\"' ] && [ -n "$next" ]; then
            echo
        fi
        tail -n +$((skip + 1)) "$file"
    } >"$tmp"
    chmod --reference="$file" "$tmp"
    mv "$tmp" "$file"
}

added=0 unknown=()
while IFS= read -r -d '' file; do
    [ -f "$file" ] && [ ! -L "$file" ] || continue
    case "$file" in
        LICENSE | LICENSES/* | .reuse/*) continue ;;
    esac
    is_covered "$file" && continue
    head -n 20 "$file" | grep -q "$tag-License-Identifier:" && continue
    syntax=$(comment_of "$file")
    if [ -z "$syntax" ]; then
        unknown+=("$file")
        continue
    fi
    added=$((added + 1))
    if [ $dry_run = 1 ]; then
        echo "would add the header to $file"
    else
        add_header "$file" "$syntax"
    fi
done < <(git ls-files -z)

echo "license-headers: $added files $([ $dry_run = 1 ] && echo would get || echo got) the header"
if [ ${#unknown[@]} -gt 0 ]; then
    echo "license-headers: no comment syntax known for these (add a rule to this script or a pattern to .reuse/dep5):" >&2
    printf '  %s\n' "${unknown[@]}" >&2
    exit 1
fi
