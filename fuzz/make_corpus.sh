#!/usr/bin/env bash
# Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/: a few inputs of each
# kind as the meter and the program make them. Run it again after changing a seed here; the
# fuzzing itself never writes into these folders. Needs xxd.
set -euo pipefail
cd "$(dirname "$0")"

seed() { # seed TARGET NAME HEX...
    local target=$1 name=$2; shift 2
    mkdir -p "corpus/$target"
    printf '%s' "$*" | tr -d ' ' | xxd -r -p >"corpus/$target/$name"
}

# Live packets: STX, status (channel, unit, recording bits), type, flags, value high, low and
# tenths, four channel offsets, ETX.
t1='02 00 00 08 00 49 04 00 00 00 00 03' # T1 type K 73.4 °F
t2='02 05 01 08 FF FB 83 00 00 00 00 03' # T2 type J -5.3, unit °F
t3='02 C2 03 0A 00 00 84 00 00 FB 00 03' # T3 type T -0.4, Max mode, offset -0.5, recording
t4='02 03 00 20 00 49 04 00 00 00 00 03' # T4 probe absent, over range
seed fuzz_live_packet one_packet "$t1"
seed fuzz_live_packet four_channels "$t1 $t2 $t3 $t4"
seed fuzz_live_packet garbage_between "41 $t1 02 02 03 $t2 FF $t3 $t4 02 00"

# Status replies: STX, address (3 bytes), manual count, FF, ETX; possibly after stream bytes.
# The line as it comes: a first byte that picks the reply awaited (its value modulo 6, less one;
# -1 awaits none) and the read size (its high nibble, plus one), then the bytes.
seed fuzz_line_reader stream "30 $t1 $t2 $t3 $t4"
seed fuzz_line_reader status_between "11 $t1 02 00 20 00 03 FF 03 $t2 $t3"
seed fuzz_line_reader clock_after_stray "22 55 03 $t1 02 0D 08 08 0E 05 09 03 $t2"
seed fuzz_line_reader dump "04 $t1 02 00 20 43 00 55 AA 00 01 00 00 00 00 00 00 00 00 00 03 $t2"

seed fuzz_status_reply empty_memory '02 00 20 00 00 FF 03'
seed fuzz_status_reply full_memory '02 07 F0 00 2A FF 03'
seed fuzz_status_reply after_stream "$t1 02 00 21 17 03 FF 03"

# Automatic data: sets of a marker, mask byte, 4 type codes, 4 offsets, start date-time,
# interval, 3-byte record count, then records of valid byte, range byte and 3 bytes a channel.
set1='00 55 AA 00 01 00 00 00 00 00 00 00 00 0D 08 08 0E 05 09 0A 00 00 03
      0F 00 00 49 04  0F 00 00 4A 02  0F 01 00 00 00'
set2='00 55 AA 00 1F 00 01 02 03 FB 00 05 00 0D 0C 1F 17 3B 32 3C 00 00 02
      0F 00 00 49 04 FF FB 83 00 00 84 00 D4 00  05 20 00 49 04 00 49 04 00 49 04 00 49 04'
seed fuzz_logger_sets two_sets "$set1 $set2"
seed fuzz_logger_sets cut_short "$set1 00 55 AA 00 03 00 00 00 00 00 00 00 00 0D 08 08 0E 05 09 01 00 01 00 0F 00"
seed fuzz_logger_sets bad_marker "$set1 00 55 AB 00"

# Manual entries: count, then per entry unit, valid, range, 4 type codes, 4 offsets, 6 date-time
# bytes and 4 values of 3 bytes.
entry1='00 0F 00 00 01 02 03 00 00 00 00 0D 08 08 0E 05 09 00 4A 02 00 4A 02 00 4A 02 00 42 02'
entry2='10 0B 14 00 00 00 00 05 FB 00 00 0D 08 08 0E 06 00 FF FB 83 00 00 84 00 D4 00 00 49 04'
seed fuzz_manual_entries two_entries "02 $entry1 $entry2"
seed fuzz_manual_entries cut_short "03 $entry1 $entry2 00 0F"

# Data files: Windows-1252 as the program writes them, the same saved as UTF-8, a damaged one.
tab=09 crlf='0D 0A'
heading_c="B0 43 $tab $(printf 'Date Time' | xxd -p) $tab $(printf 'T1 - K' | xxd -p) $tab
           $(printf 'T2 - J' | xxd -p) $tab $(printf 'T3 - T' | xxd -p) $tab
           $(printf 'T4 - K' | xxd -p) $tab $crlf"
line() { printf '%s\t%s\t%s\t%s\t%s\t%s\t\r\n' "$@" | xxd -p | tr -d '\n'; }
records="$(line 1 '2013/08/08 14:05:09' 23.4 '- - -' Over -.5)$(line 2 '2013/08/08 14:05:19' 23.5 '- - -' Under 0.0)"
seed fuzz_data_file windows1252 "$heading_c $records"
seed fuzz_data_file utf8_bom "EF BB BF C2 $heading_c $records"
seed fuzz_data_file bare_lf_stops "$(line 1 a b c d e | sed 's/0d0a/0a/') $(printf 'no tabs\r\n' | xxd -p)"

# Requests as clients send them: two bytes of the piece size (little-endian, plus one), then the
# bytes. Whole, a byte at a time, pipelined, refused.
request() { printf '%s' "$1" | xxd -p | tr -d '\n'; }
get=$(request $'GET /api/live?token=r4nd%2Bom HTTP/1.1\r\nHost: oven-pc:8080\r\nAuthorization: Bearer r4nd+om\r\n\r\n')
seed fuzz_http_request whole "FF FF $get"
seed fuzz_http_request byte_by_byte "00 00 $get"
seed fuzz_http_request pipelined "06 00 $get $(request $'HEAD /metrics HTTP/1.0\r\nConnection: close\r\n\r\n') $get"
seed fuzz_http_request body "10 00 $(request $'POST / HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello')"
seed fuzz_http_request refused "03 00 $(request $'GET / HTTP/1.1\r\n folded: x\r\nTransfer-Encoding: chunked\r\n\r\n')"

# Calibration files as people write them: offsets, two points, certificate tables, comments.
seed fuzz_calibration two "$(request $'T1 C offset -0.3\nT2 C two-point 0 0.4 100 99.2\n')"
seed fuzz_calibration table "$(request $'# certificate\nT3 F table 32 0.2 212 -0.3 400 -0.5\nT4 C none\n')"
