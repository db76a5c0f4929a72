#!/usr/bin/env bash
# The compiled help holds the text popups of the context help and opens at a default topic.
set -euo pipefail
chm=$1
# grep reads the whole list: one that stops at the match (-q) may end chmls by a
# broken pipe, which pipefail counts as a failure.
chmls -n -p list "$chm" | grep -x '/popups.txt' >/dev/null || { echo "no popups.txt in $chm"; exit 1; }
topic=$(chmls printsystem "$chm" | tr -d '\0' | sed -n 's/^(2) *Default topic from \[options\] *://p' | tr -d ' \r')
[ -n "$topic" ] || { echo "no default topic in $chm"; exit 1; }
chmls -n -p list "$chm" | grep -x "/$topic" >/dev/null || { echo "default topic $topic missing from $chm"; exit 1; }
echo "help file: popups.txt and default topic $topic"
