#!/usr/bin/env bash
# contents.sh PACKAGE BUILD [BUILD32], in the build's prefix: what the installer
# package of the build carries. Each module of the build(s), signed, with its help
# file beside it, in the folder and registry view of its bitness; the version of the
# modules' own version resource; and, for each module, registry rows that are
# exactly what regsvr32 of that module writes in its view, so that the package
# and the module's own registration never drift apart.
source "$(dirname "$0")/common.sh"
require_each_bitness
trap end_session EXIT
session_modules=()
for module in "${modules[@]}"; do
    read -r _ from _ <<<"$module"
    session_modules+=("$from/svcgate.dll")
done

status=0
fail() {
    printf '%s\n' "$@"
    status=1
}

mkdir "$session_work/extracted"
extracted=$(extract_package "$session_work/extracted")
expected_files=()
for module in "${modules[@]}"; do
    read -r folder from bits <<<"$module"
    for file in svcgate.dll help.chm; do
        path=$folder/$file
        expected_files+=("${path#./}")
        cmp -s "$extracted/$folder/$file" "$from/$file" || fail "$folder/$file is not $from/$file"
    done
done
files=$(cd "$extracted" && find . -type f | sed 's|^\./||' | sort)
[ "$files" = "$(printf '%s\n' "${expected_files[@]}" | sort)" ] || fail "the package carries:" "$files"

version=$(msi_table Property | awk -F'\t' '$1 == "ProductVersion" { print $2 }')
for module in "${modules[@]}"; do
    read -r folder from bits <<<"$module"
    path=$(windows_path "$from/svcgate.dll")
    built=$(run_script "$here/FileVersion.vbs" "$path")
    [ "$built" = "$version" ] || fail "the package's version $version, $folder/svcgate.dll's $built"

    component=$(msi_table Component | awk -F'\t' -v key="Module$bits" '$6 == key { print $1, $4 }')
    [ "$component" = "Module$bits $([ "$bits" = 64 ] && echo 256 || echo 0)" ] ||
        fail "the component of $folder/svcgate.dll (name, attributes): $component"
    # Each row as regsvr32's writes are printed below: key, value name, value.
    rows=$(msi_table Registry | awk -F'\t' -v c="Module$bits" '$6 == c && $3 !~ /^Software\\Velmora/ {
        print $3 "|" $4 "|" $5 }' | sort)
    # One module at a time: the ProgID key is one for both views.
    "$run" regsvr32 /s "$path"
    written=$({ "$run" reg query "HKLM\\$progid" /s && "$run" reg query "HKLM\\$class" /s /reg:"$bits"; } |
        iconv -f cp866 -t utf-8 | tr -d '\r' | path=$path awk -v id="[#Module$bits]" '
        /^HKEY_LOCAL_MACHINE\\/ { key = substr($0, 20); next }
        /^    / { split(substr($0, 5), part, /    /); name = part[1] ~ /^\(/ ? "" : part[1]
                  print key "|" name "|" (part[3] == ENVIRON["path"] ? id : part[3]) }' | sort)
    "$run" regsvr32 /u /s "$path"
    [ "$rows" = "$written" ] || fail "rows of $folder/svcgate.dll:" "$rows" "regsvr32 wrote:" "$written"
done
[ $status = 0 ] && echo "1 passed, 0 failed"
exit $status
