#!/bin/sh
# Writes the test data of the archiver libraries into $1: source files, and
# archives of them made by the peer tools (jlha: levels 0-2 with -lh5- to
# -lh7-; arj: methods 1 and 4; gcab: stored and MSZIP).
set -e
out=$1
rm -rf "$out"
mkdir -p "$out/src/sub"
cd "$out/src"
seq 1 30000 > text.txt
head -c 200000 /dev/zero | tr '\0' 'a' > sub/run.dat
i=0; : > sub/mixed.bin
while [ $i -lt 40 ]; do seq $i 300 >> sub/mixed.bin; head -c 700 /usr/bin/sh >> sub/mixed.bin; i=$((i + 1)); done
printf 'x' > one.txt
files="text.txt sub/run.dat sub/mixed.bin one.txt"
jlha c0o5 ../l0lh5.lzh $files >/dev/null
jlha c1o6 ../l1lh6.lzh $files >/dev/null
jlha c2o7 ../l2lh7.lzh $files >/dev/null
jlha c2o5 ../l2lh5.lzh $files >/dev/null
arj a -y -m1 ../m1.arj $files >/dev/null
arj a -y -m4 ../m4.arj $files >/dev/null
gcab -c ../stored.cab $files
gcab -c -z ../mszip.cab $files
