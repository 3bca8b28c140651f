# Checks of the built Windows programs, counted with the test results by scripts/test:
#   - every program imports only DLLs that come with Windows (the build is static);
#   - Hivelet.exe carries the application manifest and the version resource;
#   - the shipped i686 Hivelet.exe is stripped (its size is printed).

# DLLs that every supported Windows has; anything else (libstdc++, libgcc, winpthread, ...)
# would have to be shipped beside the program.
hivelet_system_dlls="advapi32 bcrypt comctl32 comdlg32 crypt32 dwmapi gdi32 gdiplus imm32
kernel32 msimg32 msvcrt ntdll ole32 oleaut32 rpcrt4 secur32 setupapi shell32 shlwapi user32
userenv uxtheme version winmm ws2_32"

hivelet_pe_passed=0
hivelet_pe_failed=0

hivelet_pe_result() {
  local ok=$1 what=$2
  if [ "$ok" -eq 0 ]; then
    hivelet_pe_passed=$((hivelet_pe_passed + 1))
  else
    hivelet_pe_failed=$((hivelet_pe_failed + 1))
    echo "FAILED: $what"
  fi
}

# Lists the DLLs a program imports that are not Windows' own; empty when all are.
hivelet_foreign_dlls() {
  local objdump=$1 exe=$2 dll base
  "$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | while read -r dll; do
    base=$(echo "${dll%.*}" | tr 'A-Z' 'a-z')
    case "$base" in
      api-ms-win-*|ext-ms-win-*) continue ;;
    esac
    if [[ " $(echo $hivelet_system_dlls) " != *" $base "* ]]; then
      echo "$dll"
    fi
  done
}

# Resource type 0x18 is the manifest, 0x10 the version information.
# objdump's output is captured before it is searched: under pipefail, "objdump | grep -q" fails
# whenever grep stops reading before objdump has finished writing.
hivelet_has_resource_type() {
  local headers
  headers=$("$1" -p "$2") || return 1
  grep -qE "^[0-9a-f]+   Entry: ID: $3," <<<"$headers"
}

hivelet_is_stripped() {
  local objdump=$1 exe=$2
  local headers sections
  headers=$("$objdump" -p "$exe") && sections=$("$objdump" -h "$exe") || return 1
  grep -q 'symbols stripped' <<<"$headers" && ! grep -q ' \.debug_' <<<"$sections"
}

# hivelet_check_programs BUILD_DIR OBJDUMP SHIPPED(yes|no)
hivelet_check_programs() {
  local dir=$1 objdump=$2 shipped=$3 exe foreign count=0
  [ -d "$dir" ] || return 0
  while IFS= read -r exe; do
    count=$((count + 1))
    foreign=$(hivelet_foreign_dlls "$objdump" "$exe" | tr '\n' ' ')
    hivelet_pe_result "$([ -z "$foreign" ] && echo 0 || echo 1)" \
      "$exe imports DLLs that do not come with Windows: $foreign"
  done < <(find "$dir" -name '*.exe' -not -path '*/CMakeFiles/*' | sort)
  echo "checked the imports of $count programs in $dir"

  exe=$(find "$dir" -name Hivelet.exe -not -path '*/CMakeFiles/*' | head -n 1)
  if [ -z "$exe" ]; then
    echo "$dir: Hivelet.exe not built yet"
    return 0
  fi
  hivelet_has_resource_type "$objdump" "$exe" 0x000018
  hivelet_pe_result $? "$exe has no application manifest"
  hivelet_has_resource_type "$objdump" "$exe" 0x000010
  hivelet_pe_result $? "$exe has no version resource"
  if [ "$shipped" = yes ]; then
    hivelet_is_stripped "$objdump" "$exe"
    hivelet_pe_result $? "$exe is not stripped"
  fi
  echo "$exe: $(stat -c %s "$exe") bytes"
}
