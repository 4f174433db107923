#!/usr/bin/env bash
# veltra-cli as a whole program: dump and convert against small fixtures, exit codes,
# and messages on stderr.
# Arguments: path of veltra-cli, the sample database folder, the test data folder.
set -u
cli="$1"; sample="$2"; data="$3/cli"
failures=0
tmp="$(mktemp -d)"; trap 'rm -rf "$tmp"' EXIT

check() { # name, expected file, actual file
  if ! diff -u "$2" "$3" > "$tmp/diff"; then
    echo "FAIL: $1"; cat "$tmp/diff"; failures=$((failures + 1))
  else
    echo "ok: $1"
  fi
}
expect_status() { # name, expected status, actual status
  if [ "$2" != "$3" ]; then echo "FAIL: $1: exit status $3, expected $2"; failures=$((failures + 1)); else echo "ok: $1"; fi
}
expect_grep() { # name, pattern, file
  if ! grep -q -- "$2" "$3"; then echo "FAIL: $1: no \"$2\" in:"; cat "$3"; failures=$((failures + 1)); else echo "ok: $1"; fi
}

# dump: every row in file order, values escaped one per line.
"$cli" --db "$data" dump small.xml > "$tmp/out"; expect_status "dump status" 0 $?
check "dump whole table" "$data/small.dump" "$tmp/out"

# dump with filter and a two-field index.
"$cli" --db "$data" dump small.xml --filter "N = 2 OR Name = 'gamma'" --index "N;Name" > "$tmp/out"
check "dump filtered and sorted" "$data/small-filtered.dump" "$tmp/out"

# the case-insensitive option.
"$cli" --db "$data" dump small.xml --filter "Name = 'ALPHA'" --ignore-case | tail -n 1 > "$tmp/out"
echo "2 rows" > "$tmp/want"; check "dump ignore case" "$tmp/want" "$tmp/out"
"$cli" --db "$data" dump small.xml --filter "Name = 'ALPHA'" | tail -n 1 > "$tmp/out"
echo "0 rows" > "$tmp/want"; check "dump exact case" "$tmp/want" "$tmp/out"

# save-as in both forms gives back the same table; the plain form is pure ASCII.
for form in utf8 plain; do
  "$cli" --db "$data" dump small.xml --save-as "$tmp/saved-$form.xml" --form "$form" > /dev/null
  "$cli" dump "$tmp/saved-$form.xml" > "$tmp/out"
  check "save-as $form round trip" "$data/small.dump" "$tmp/out"
done
if LC_ALL=C grep -q -P '[^\x00-\x7F]' "$tmp/saved-plain.xml"; then
  echo "FAIL: plain form holds non-ASCII bytes"; failures=$((failures + 1))
fi
expect_grep "utf8 form declares its encoding" 'encoding="UTF-8"' "$tmp/saved-utf8.xml"

# a filter the engine rejects: message with position on stderr, exit 1.
"$cli" --db "$data" dump small.xml --filter "N = 2 XOR N = 3" > "$tmp/out" 2> "$tmp/err"
expect_status "bad filter status" 1 $?
expect_grep "bad filter message names the position" "position" "$tmp/err"

# a missing file: exit 1, message names the file.
"$cli" --db "$data" dump nosuch.xml > "$tmp/out" 2> "$tmp/err"
expect_status "missing file status" 1 $?
expect_grep "missing file message" "nosuch.xml" "$tmp/err"

# usage errors: exit 2 with usage on stderr.
"$cli" frobnicate > /dev/null 2> "$tmp/err"; expect_status "unknown command" 2 $?
expect_grep "usage shown" "Usage: veltra-cli" "$tmp/err"
"$cli" --nope dump x > /dev/null 2>&1; expect_status "unknown option" 2 $?
"$cli" dump > /dev/null 2>&1; expect_status "missing argument" 2 $?
"$cli" --decimal-separator ";" dump x > /dev/null 2>&1; expect_status "bad separator" 2 $?
"$cli" --version > "$tmp/out"; expect_status "version" 0 $?
expect_grep "version text" "veltra-cli " "$tmp/out"

# convert: the partial table stays on stdout, the floating-point error goes to stderr.
"$cli" --decimal-separator . convert "$data/gf-fail.txt" > "$tmp/out" 2> "$tmp/err"
expect_status "convert failure status" 1 $?
check "convert partial output" "$data/gf-fail.expected" "$tmp/out"
expect_grep "convert error message" "Floating point division by zero" "$tmp/err"
# stdin and the decimal comma.
head -n 6 "$data/gf-fail.txt" | "$cli" --decimal-separator , convert > "$tmp/out"
expect_status "convert from stdin" 0 $?
expect_grep "decimal comma" "Shape a=2,500, Scale b=1,000" "$tmp/out"

# the sample database loads.
"$cli" --db "$sample" dump daten1a.xml --filter "SEX = 'F'" > "$tmp/out"; expect_status "sample parameter table" 0 $?

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed"
[ "$failures" -eq 0 ]
