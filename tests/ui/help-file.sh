#!/usr/bin/env bash
# The compiled help holds the text popups of the context help and opens at a default topic.
set -euo pipefail
chm=$1
chmls -n -p list "$chm" | grep -qx '/popups.txt' || { echo "no popups.txt in $chm"; exit 1; }
topic=$(chmls printsystem "$chm" | tr -d '\0' | sed -n 's/^(2) *Default topic from \[options\] *://p' | tr -d ' \r')
[ -n "$topic" ] || { echo "no default topic in $chm"; exit 1; }
chmls -n -p list "$chm" | grep -qx "/$topic" || { echo "default topic $topic missing from $chm"; exit 1; }
echo "help file: popups.txt and default topic $topic"
