# Shared by tools/test and tools/run: find the source tree and install what is missing.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The Wine prefixes (and everything else the tools keep between runs) of this checkout: one folder
# per checkout, so that two checkouts running their tests at once never meet in a prefix (where
# one's clean slate would end the other's programs).
prefixes=${XDG_CACHE_HOME:-$HOME/.cache}/dawnbell/$(basename "$top")-$(cksum <<<"$top" | cut -d' ' -f1)

# Installs Debian packages for the commands (or files) that are missing, as root or through sudo,
# all in one apt-get run: one list update at most, and no recommended extras, which the tools
# here do not need (what they do need is named).
#   ensure_packages COMMAND:PACKAGE|/PATH:PACKAGE ...
ensure_packages() {
  local missing=() pair cmd pkg
  for pair in "$@"; do
    cmd=${pair%%:*}
    pkg=${pair#*:}
    if [[ $cmd == /* ]]; then
      [ -e "$cmd" ] && continue
    else
      command -v "$cmd" >/dev/null 2>&1 && continue
    fi
    missing+=($pkg)
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}" >&2
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq >&2
  # dpkg's account of every package unpacked is noise; errors still reach stderr.
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# The cross compiler, CMake and Wine, plus whatever else the caller names, in one install.
# Wine's own fonts are only recommended, but the dialogs are laid out and measured with them.
ensure_build_tools() {
  ensure_packages cmake:cmake ninja:ninja-build \
    x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64-posix \
    x86_64-w64-mingw32-windres:binutils-mingw-w64-x86-64 \
    x86_64-w64-mingw32-widl:mingw-w64-tools \
    /usr/lib/wine/wine64:wine64 wine:wine /usr/share/wine/fonts:fonts-wine \
    /usr/src/googletest/CMakeLists.txt:googletest \
    flock:util-linux pgrep:procps "$@"
}

# Configures one build folder from a preset of CMakePresets.json and builds it:
#   configure_and_build PRESET [DIR]     (DIR defaults to the preset's own folder)
# A folder that was configured differently before (another generator, say) is made afresh.
configure_and_build() {
  local preset=$1 dir=${2:-$top/build/$1}
  if ! (cd "$top" && cmake --preset "$preset" -B "$dir" >/dev/null 2>&1) &&
    [ -f "$dir/CMakeCache.txt" ]; then
    rm -rf "$dir"
    (cd "$top" && cmake --preset "$preset" -B "$dir" >/dev/null)
  fi
  cmake --build "$dir" -j"$(nproc)"
}

# The C++ sources that the formatting rules cover: every tracked .cpp and .h (or, outside a git
# checkout, every such file but the build folders), one per line.
cxx_sources() {
  if git -C "$top" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$top" ls-files --cached --others --exclude-standard -- '*.cpp' '*.h'
  else
    (cd "$top" && find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print |
      sed 's|^\./||')
  fi
}

# Prints "file:line: text" for every #include that comes after the first line of code (anything
# but blank lines, comments and preprocessor lines) in the given files.
late_includes() {
  [ $# -eq 0 ] && return 0
  awk '
    FNR == 1 { code = 0; comment = 0 }
    comment { if ($0 ~ /\*\//) comment = 0; next }
    /^[[:space:]]*$/ || /^[[:space:]]*\/\// { next }
    /^[[:space:]]*\/\*/ { if ($0 !~ /\*\//) comment = 1; next }
    /^[[:space:]]*#[[:space:]]*include/ { if (code) print FILENAME ":" FNR ": " $0; next }
    /^[[:space:]]*#/ { next }
    { code = 1 }
  ' "$@"
}

# Kills every process whose environment carries DAWNBELL_RUN_MARK=MARK (Windows programs pass their
# environment on to what they start), but the Wine server and Wine's own programs, which the
# prefix's other users share; prints the command of each one it killed.
#   end_marked_processes MARK
end_marked_processes() {
  local needle="DAWNBELL_RUN_MARK=$1" file p exe name found round
  for round in 1 2 3 4 5; do
    found=0
    for file in $(grep -lzxF "$needle" /proc/[0-9]*/environ 2>/dev/null); do
      p=${file%/environ}
      exe=$(readlink "$p/exe" 2>/dev/null) || continue
      [[ $exe == */wineserver* ]] && continue
      name=$(head -zn 1 "$p/cmdline" 2>/dev/null | tr -d '\0')
      grep -qi '^c:\\windows\\' <<<"$name" && continue
      kill -KILL "${p#/proc/}" 2>/dev/null && found=1 && printf '%s ' "$name"
    done
    [ "$found" -eq 0 ] && return 0
    sleep 0.1 # what a killed program was starting may appear only now
  done
}
