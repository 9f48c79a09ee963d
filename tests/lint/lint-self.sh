#!/usr/bin/env bash
# tools/lint.sh on a small tree with one planted fault per check: a line
# clang-format would lay out otherwise, a use after move, an unquoted
# variable in a script known only by its "#!" line. Each check must fail and
# name the file, the line and the rule; each must find its files by itself (the
# tree is no git checkout) and leave other files alone; and each must pass the
# same files once the faults are gone.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source_tree=$(cd "$here/../.." && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/tree
mkdir -p "$tree/tools" "$tree/shell" "$tree/src" "$tree/run" "$tree/fuzz" "$tree/lib" "$work/host" "$work/win32" "$work/fuzz"
cp "$source_tree/tools/lint.sh" "$tree/tools/"
cp "$source_tree/shell/common.sh" "$tree/shell/"
cp "$source_tree/.clang-format" "$source_tree/.clang-tidy" "$source_tree/.shellcheckrc" "$tree/"

plant() {
    cat >"$tree/src/Planted.cpp" <<'EOF'
#include <string>
#include <utility>

std::string Take(std::string text);

std::size_t Planted()
{
    std::string text = "x";
    const std::string other = Take(std::move(text));
    return text.size() + other.size();
}

int  Misformatted() { return 0; }
EOF
    cat >"$tree/run/planted" <<'EOF'
#!/bin/sh
rm -rf $1/old
EOF
}

mend() {
    cat >"$tree/src/Planted.cpp" <<'EOF'
#include <string>
#include <utility>

std::string Take(std::string text);

std::size_t Planted()
{
    std::string text = "x";
    const std::string other = Take(std::move(text));
    return other.size();
}

int Misformatted()
{
    return 0;
}
EOF
    cat >"$tree/run/planted" <<'EOF'
#!/bin/sh
rm -rf "$1/old"
EOF
}

printf '#!/usr/bin/env bash\necho "a script named as one"\n' >"$tree/run/clean.sh"
# Begins like a script, but not a shell's: no check of ours reads it.
printf '#!/usr/bin/env python3\nprint("not a shell")\n' >"$tree/run/report"
chmod +x "$tree/run/"*

cat >"$work/host/compile_commands.json" <<EOF
[{"directory": "$tree", "command": "c++ -std=c++17 -c src/Planted.cpp", "file": "$tree/src/Planted.cpp"}]
EOF
echo '[]' >"$work/win32/compile_commands.json"
# Only the fuzz database says where the harness's header is: a guess from the
# host's would not find it.
printf 'inline int Lib()\n{\n    return 1;\n}\n' >"$tree/lib/Lib.h"
printf '#include "Lib.h"\n\nint Harness()\n{\n    return Lib();\n}\n' >"$tree/fuzz/Harness.cpp"
cat >"$work/fuzz/compile_commands.json" <<EOF
[{"directory": "$tree", "command": "clang++ -std=c++17 -Ilib -c fuzz/Harness.cpp", "file": "$tree/fuzz/Harness.cpp"}]
EOF
export LINT_HOST_BUILD=$work/host LINT_WIN32_BUILD=$work/win32 LINT_FUZZ_BUILD=$work/fuzz

# shellcheck source=../checks.sh
source "$here/../checks.sh"

# check_names WHAT PATTERN: the last output holds a line matching PATTERN.
check_names() {
    if grep -qE "$2" <<<"$out"; then
        pass "$1"
    else
        fail "$1"
        printf '  expected a line matching: %s\n  got:\n%s\n' "$2" "$out"
    fi
}

lint() {
    out=$("$tree/tools/lint.sh" "$@" 2>&1)
    status=$?
}

plant
lint list-cxx
check_lines "C++ files found" "fuzz/Harness.cpp
lib/Lib.h
src/Planted.cpp" "$out"
lint list-shell
check_lines "shell files found, by name and by #! line" "run/clean.sh
run/planted
shell/common.sh
tools/lint.sh" "$out"

for row in \
    "format|src/Planted\.cpp:13:[0-9]+: error: code should be clang-formatted \[-Wclang-format-violations\]" \
    "tidy|src/Planted\.cpp:10:12: (error|warning): 'text' used after it was moved \[bugprone-use-after-move" \
    "shell|run/planted:2:8: .*\[SC2086\]"; do
    name=${row%%|*}
    echo "== $name, planted fault"
    lint "$name"
    check_lines "exit status" 1 "$status"
    check_names "names the file, line and rule" "${row#*|}"
done

mend
for name in format tidy shell; do
    echo "== $name, fault mended"
    lint "$name"
    check_lines "exit status" 0 "$status" || printf '%s\n' "$out"
done

echo "== in a git checkout: files git knows of, and new ones it does not ignore"
git -C "$tree" init -q
echo /ignored/ >"$tree/.gitignore"
mkdir "$tree/ignored"
printf '#!/bin/bash\n' >"$tree/ignored/made.sh"
git -C "$tree" add tools shell src run/clean.sh
lint list-shell
check_lines "shell files found" "run/clean.sh
run/planted
shell/common.sh
tools/lint.sh" "$out"
lint list-cxx
check_lines "C++ files found" "fuzz/Harness.cpp
lib/Lib.h
src/Planted.cpp" "$out"

echo "== one file named"
lint shell "$tree/run/clean.sh"
check_lines "exit status" 0 "$status"
lint shell no/such/file
check_lines "exit status for a file that is not there" 2 "$status"

checks_done
