#!/usr/bin/env bash
# veltra-cli restrictions and update-status against the sample database.
# Arguments: path of veltra-cli, the sample database folder, the test data folder.
set -u
cli="$1"; sample="$2"
failures=0
tmp="$(mktemp -d)"; trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }
same() { # name, expected text, actual text
  if [ "$2" != "$3" ]; then fail "$1"; printf -- '--- expected\n%s\n--- actual\n%s\n' "$2" "$3"; else echo "ok: $1"; fi
}
header="Restrictions in Quality for Exposure Factors (Pandor):"

# Flags 0001100: sentences 4 and 5, eight blanks in front.
same "two flags" "$header
        Survey may be not valid for German population.
        Survey might be not representative for considered population" \
  "$("$cli" --db "$sample" restrictions 1001)"
# Seven zeros: the one sentence of an unmarked code.
same "no flag set" "$header
        No quality restrictions marked." "$("$cli" --db "$sample" restrictions 1004)"
# No Restrictions line at all: the header alone.
same "no restriction line" "$header" "$("$cli" --db "$sample" restrictions 1009)"

# Update status: the row with a data file and no change date, then one without a
# data file but with a change date. Dates follow the locale, so only their place is checked.
"$cli" --db "$sample" update-status 1001 > "$tmp/out"
same "status lines with data file" \
"Update status of Veltra data
Main Data Set  : #
Reference File : #  as ef0001.xml
Updated        : " "$(sed -E 's/^(Main Data Set  : |Reference File : )[^#]*[0-9](  as .*)?$/\1#\2/' "$tmp/out")"
"$cli" --db "$sample" update-status 1075 > "$tmp/out"
same "status lines without data file" \
"Update status of Veltra data
Main Data Set  : #
Updated        : 
Changed        : 03.05.2007" "$(sed -E 's/^(Main Data Set  : ).*[0-9]$/\1#/' "$tmp/out")"

# Errors: an ID no row has is a failure (1), a non-numeric ID a usage error (2).
"$cli" --db "$sample" restrictions 99 > /dev/null 2> "$tmp/err"
same "unknown ID status" 1 $?
grep -q "ID 99" "$tmp/err" && echo "ok: unknown ID message" || fail "unknown ID message: $(cat "$tmp/err")"
"$cli" --db "$sample" update-status abc > /dev/null 2>&1
same "non-numeric ID status" 2 $?
# A data file that is not in the database folder: the status fails naming it.
mkdir "$tmp/db"; cp "$sample/daten1a.xml" "$tmp/db/"
"$cli" --db "$tmp/db" update-status 1001 > /dev/null 2> "$tmp/err"
same "missing data file status" 1 $?
grep -q "ef0001.xml" "$tmp/err" && echo "ok: missing data file message" || fail "missing data file message: $(cat "$tmp/err")"

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed"
[ "$failures" -eq 0 ]
