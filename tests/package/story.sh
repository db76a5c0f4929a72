#!/usr/bin/env bash
# story.sh PACKAGE BUILD [BUILD32], in the build's prefix: the installer package as
# a shop's fleet uses it, silently. Installed per machine into a folder of the
# shop's, the driver is created by its ProgID from the script host of each bitness
# the package serves; a package of a higher version replaces it in place and sells
# through it; the lower one is then refused; removal leaves nothing of the package
# but the shop's data folder; a per-user installation writes the current user's
# classes alone.
source "$(dirname "$0")/common.sh"
require_each_bitness
session_modules=("$build/tests/doubles/eqmanager/eqmanager.dll")
register_modules
installed=()
remove_installed() {
    for product in "${installed[@]}"; do "$run" msiexec /x "$product" /qn || true; done
    end_session
}
trap remove_installed EXIT
# For each module's bitness: its script host and its folder within the installation's.
views=()
declare -A hosts=([32]='C:\windows\syswow64\cscript.exe') folders=()
for module in "${modules[@]}"; do
    read -r folder _ bits <<<"$module"
    views+=("$bits")
    folders[$bits]=$([ "$folder" = . ] || echo "$folder\\")
done
[ -n "$build32" ] && hosts[64]=cscript || hosts[32]=cscript

# msiexec PACKAGE [properties...]: its exit code, as a fleet's tool reads it (1603,
# a failure, arrives here cut to its low byte: 67).
msiexec_quietly() {
    local status=0
    "$run" msiexec /i "$(windows_path "$1")" /qn "${@:2}" || status=$?
    echo $status
}

# value KEY [view]: the key's default value, if it is there.
value() {
    "$run" reg query "$1" /ve ${2:+/reg:$2} 2>/dev/null | iconv -f cp866 -t utf-8 | sed -n 's/.*REG_SZ *//p' |
        tr -d '\r' || true
}

# For each bitness: the module its view's class names under ROOT, and what its
# script host made of the ProgID.
seen() {
    local bits module
    for bits in "${views[@]}"; do
        module=$(value "$1\\$class\\InprocServer32" "$bits")
        echo "$bits: ${module:-none}, $(script_host=${hosts[$bits]} run_script "$here/../driver/CreateDriver.vbs")"
    done
}
# The folder of the module the current user's class names, and the class its ProgID names. Wine
# keeps one view of the user's classes, where the module registered last wins.
user_classes() {
    local module class_id
    module=$(value "HKCU\\$class\\InprocServer32" | grep -o '^.*\\svcgate\\') || true
    class_id=$(value "HKCU\\$progid\\CLSID")
    echo "$module $class_id"
}
# The same in the folder given, with the driver created.
installed_in() {
    local bits
    for bits in "${views[@]}"; do echo "$bits: $1${folders[$bits]}svcgate.dll, created"; done
}
nothing_in() {
    local bits
    for bits in "${views[@]}"; do echo "$bits: none, not registered"; done
}

# The versions of the product installed.
versions() {
    "$run" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | tr -d '\r' |
        awk '/^HKEY/ { if (name ~ /SvcGate/) print version; name = "" }
             $1 == "DisplayName" { name = $0 } $1 == "DisplayVersion" { version = $3 }
             END { if (name ~ /SvcGate/) print version }'
}

status=0
expect() {
    if [ "$2" != "$3" ]; then
        printf '%s: expected\n%s\nseen\n%s\n' "$1" "$3" "$2"
        status=1
    fi
}

version=$(msi_table Property | awk -F'\t' '$1 == "ProductVersion" { print $2 }')
IFS=. read -r major minor patch tweak <<<"$version"
higher=$session_work/higher.msi
higher_version=$major.$minor.$((patch + 1)).$tweak
"$here/../../package/make-package.sh" "$higher" "$higher_version" "${build32:-$build}" ${build32:+"$build"}
shop='C:\Shop\svcgate\'
drive_c=$SVCGATE_WINEPREFIX/drive_c

installed=("$(windows_path "$package")")
expect "a silent installation" "$(msiexec_quietly "$package" "INSTALLDIR=$shop")" 0
expect "the classes after it" "$(seen HKLM)" "$(installed_in "$shop")"

installed+=("$(windows_path "$higher")")
expect "the upgrade" "$(msiexec_quietly "$higher")" 0
expect "the classes after the upgrade" "$(seen HKLM)" "$(installed_in "$shop")"
expect "the versions installed" "$(versions)" "$higher_version"
start_simulator 8201
run_script "$here/../../tools/host-session/Sale.vbs" "http://127.0.0.1:8201/xmlgate/xml.jsp" >"$session_work/sale"
grep -q "^SALE REGISTERED" "$session_work/sale" || expect "the sale" "$(cat "$session_work/sale")" "SALE REGISTERED"

expect "the downgrade" "$(msiexec_quietly "$package")" 67
expect "the versions after it" "$(versions)" "$higher_version"

"$run" msiexec /x "$(windows_path "$higher")" /qn
expect "the classes after the removal" "$(seen HKLM)" "$(nothing_in)"
left=$(
    "$run" reg query "HKLM\\$progid" >/dev/null 2>&1 && echo "the ProgID"
    "$run" reg query 'HKLM\Software\Velmora' /reg:32 >/dev/null 2>&1 && echo "the installation folder's key"
    [ -e "$drive_c/Shop/svcgate" ] && echo "the installation folder"
    [ -e "$drive_c/Program Files/svcgate" ] && echo "a folder of the upgrade"
    [ -d "$drive_c/ProgramData/VelmoraSvcGate" ] || echo "no data folder"
)
expect "what the removal left" "$left" ""

expect "a per-user installation" "$(msiexec_quietly "$package" ALLUSERS='""')" 0
expect "the machine's classes after it" "$(seen HKLM | cut -d, -f1)" "$(nothing_in | cut -d, -f1)"
expect "the user's classes" "$(user_classes)" 'C:\Program Files\svcgate\ {5B7E2C91-3D4A-4F08-9E61-A27C0D94B3F5}'
# Wine takes the context of a removal from the command line too.
"$run" msiexec /x "$(windows_path "$package")" /qn ALLUSERS='""'
expect "the user's classes after the removal" "$(user_classes)" " "
installed=()
[ $status = 0 ] && echo "1 passed, 0 failed"
exit $status
