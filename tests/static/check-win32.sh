#!/bin/sh
# Checks the i686 build without running it (no 32-bit code runs here):
# kalmor-example.exe is a PE32 GUI program with exactly its five exports, no
# resources, and imports only from system DLLs, none of them wide-character
# USER32 entry points; KALMOR.DLL is PE32 and exports its direct function.
#   check-win32.sh BUILD_DIR
set -u
dir=$1
objdump=i686-w64-mingw32-objdump
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The names of the DLLs a module imports from, one a line.
imported_dlls() {
    $objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'
}

# The names a module imports from one DLL.
imported_names() {
    $objdump -p "$1" | awk -v dll="$2" '
        /DLL Name:/ { inside = (tolower($3) == tolower(dll)); next }
        inside && /^[[:space:]]*$/ { inside = 0 }
        inside && $1 ~ /^[0-9a-f]+$/ && NF >= 2 { print $NF }'
}

# System DLLs only: the C runtime and the Windows API itself.
check_imports() {
    for dll in $(imported_dlls "$1"); do
        case $(echo "$dll" | tr 'A-Z' 'a-z') in
        kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll | advapi32.dll) ;;
        *) fail "$1 imports from $dll" ;;
        esac
    done
}

check_pe32() {
    if [ ! -f "$1" ]; then
        fail "$1 is missing"
        return 1
    fi
    $objdump -p "$1" | grep -q 'Magic.*010b.*(PE32)' || fail "$1 is not PE32"
}

program=$dir/kalmor-example.exe
if check_pe32 "$program"; then
    $objdump -p "$program" | grep -q 'Subsystem.*00000002.*(Windows GUI)' ||
        fail "$program is not a GUI program"
    $objdump -h "$program" | grep -q '\.rsrc' && fail "$program has a resource section"

    exports=$($objdump -p "$program" | awk '
        /Ordinal Base/ { base = $NF }
        /\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
        table && /^[[:space:]]*$/ { table = 0 }
        table { gsub(/[][]/, ""); print $1 + base, $2 }')
    expected="1 GETCURRENTLINE@0
2 MAINWNDPROC@16
3 SENDSCINTILLAMSG@16
4 TOGGLESUB@4
5 TOGGLESUBSBELOW@4"
    [ "$exports" = "$expected" ] || fail "$program exports:
$exports"

    check_imports "$program"
    wide=$(imported_names "$program" user32.dll | grep 'W$')
    [ -z "$wide" ] || fail "$program imports wide-character USER32 entry points: $wide"
fi

component=$dir/KALMOR.DLL
if check_pe32 "$component"; then
    $objdump -p "$component" | grep -qE '\] Scintilla_DirectFunction$' ||
        fail "$component does not export Scintilla_DirectFunction"
    check_imports "$component"
fi

if [ $failures -gt 0 ]; then
    exit 1
fi
echo "the i686 build is PE32 with the expected exports and imports"
