#!/usr/bin/env bash
# wine-run.sh WINE PREFIX PROGRAM [ARGUMENTS...]: runs a Windows program for CTest under Wine,
# quietly and in the given prefix. A Windows program ends its console lines in CRLF; CTest reads
# a test program's list of tests line by line and wants LF, so standard output loses its CRs.
set -o pipefail
wine=$1
prefix=$2
shift 2
WINEDEBUG=-all WINEPREFIX=$prefix "$wine" "$@" | tr -d '\r'
