#!/bin/bash
# Hand-off benchmark: how long the stub takes under Wine from its start to
# the updater's start and to its own exit, for a 1 MiB and a 256 MiB package,
# beside the updater started alone and sfxtool extract of the same package
# natively, and where the stub's time goes.
#
# A fresh Wine prefix gets the product registered (with its setup file) and
# the updater stand-in as its pkgrun.exe; the stand-in ends at once (no
# window, exit code 0). Each
# package runs RUNS times with its progress window and RUNS times with
# /silent; the medians are printed. Stub start is the moment the bench starts
# wine (so Wine's own process start counts, as it does for the updater
# alone); the updater's start is the time its record file was written; the
# phases come from the millisecond time stamps of the stub's log lines:
#   start    stub start -> the first log line (Wine's process start, the
#            process entry, the C runtime)
#   load     -> "SFX archive ... loaded" (runtime layers, open the file,
#            verify its signature, unpack the map)
#   extract  -> "Starting installer/updater executable" (log file, product,
#            progress window, workspace, and every entry written)
#   launch   -> the updater's record written (process creation and start)
#   wait     -> "Installer/updater executable ... finished" (the updater's run
#            and the wait for its window or its end)
#   finish   -> the stub's exit (workspace removal, clean-up, process end)
# Wall times count only on an otherwise idle machine. The desktop is kept up
# during the runs, as a Windows session has it.
#
# usage: bench/handoff_bench.sh [STUB] [RUNS]
#   STUB   the stub to run (default build/windows/stub/sfxstub.exe, the
#          shipped PE32 one; needs 32-bit code to run natively)
#   RUNS   runs per package and mode (default 5)
# Needs build/native (sfxtool) and build/windows64 (tests/doubles/pkgrun.exe,
# tests/winebed/wintool.exe).
# KRV_DISPLAY chooses the X display (default :99).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
stub=$(realpath "${1:-$root/build/windows/stub/sfxstub.exe}")
runs=${2:-5}
sfxtool=$root/build/native/tools/sfxtool
pkgrun=$root/build/windows64/tests/doubles/pkgrun.exe
wintool=$root/build/windows64/tests/winebed/wintool.exe
for f in "$stub" "$sfxtool" "$pkgrun" "$wintool"; do
  [ -f "$f" ] || { echo "missing $f: build it first" >&2; exit 2; }
done
for tool in python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 2; }
done

work=$(mktemp -d /tmp/krv-handoff-bench.XXXXXX)
prefix=$work/prefix
source "$root/scripts/wine-session.sh"
desktop_holder=
trap '[ -n "$desktop_holder" ] && kill "$desktop_holder" 2>/dev/null; krv_stop_wine; rm -rf "$work"' EXIT

echo "making the Wine prefix and the packages in $work ..."
"$root/scripts/wine-prefix.sh" "$prefix"
krv_start_display
krv_start_wine "$prefix"
# A Windows session always has its desktop. Wine starts a desktop process
# for the first program that needs one (the stub does, the windowless
# updater stand-in does not) and ends it after the last: held up here, no
# run pays for starting it.
/usr/lib/wine/wine64 "$wintool" desktop 86400000 </dev/null >/dev/null 2>&1 &
desktop_holder=$!
product_key='HKLM\SOFTWARE\ORVANE Software\Orvane'
program_folder='C:\Program Files\Orvane'
setup_host="$prefix/drive_c/Program Files/Orvane/setup"
log_host="$prefix/drive_c/ProgramData/ORVANE Software/Persistent Data/Orvane/Logs/Update.log"
for value in "ProgramFolder /t REG_SZ /d $program_folder" "DataFolder /t REG_SZ /d $program_folder\\data" \
             "SetupVersion /t REG_DWORD /d 2031"; do
  # shellcheck disable=SC2086
  IFS=' ' read -r name _ type _ data <<<"$value"
  /usr/lib/wine/wine64 reg add "$product_key" /v "$name" /t "$type" /d "$data" /f /reg:32 >/dev/null 2>&1
done
mkdir -p "$setup_host" "$prefix/drive_c/Program Files/Orvane/data"
cp "$pkgrun" "$setup_host/pkgrun.exe"
printf 'exit_code=0\n' >"$setup_host/pkgrun-behaviour.txt"
# An installed product has its setup file; without one the stub starts the
# updater once more to have it written, and that run would count as the
# stub's own time.
printf '[Common]\r\nEdition=15\r\n' >"$setup_host/setup.ini"

# Entries like an update's: definition packages written unpacked and
# updater packages written as stored. zlib makes the 256 MiB package quickly;
# the stub's work does not depend on the packer much.
python3 - "$work" <<'PY'
import os, random, sys
work = sys.argv[1]
rng = random.Random(20261211)
def text(size):
    line = b"definition %08x record value checksum\n"
    return b"".join(line % rng.getrandbits(32) for _ in range(size // len(line) + 1))[:size]
for name, parts in (("1m", [("vps_win32-1.vpx", text(768 << 10)), ("part-1.vpx", rng.randbytes(256 << 10))]),
                    ("256m", [("vps_win32-1.vpx", text(16 << 20))] +
                             [("part-%02d.vpx" % i, rng.randbytes(16 << 20)) for i in range(15)])):
    folder = os.path.join(work, "files-" + name)
    os.makedirs(folder)
    for file_name, data in parts:
        with open(os.path.join(folder, file_name), "wb") as f:
            f.write(data)
PY
for size in 1m 256m; do
  "$sfxtool" build --stub "$stub" --out "$work/pkg-$size.exe" --packer zlib --time 1700000000 \
    "$work/files-$size"/* >/dev/null 2>&1
done

wine_loader=wine
off=$(od -An -tu4 -j60 -N4 "$stub" | tr -d ' ')
[ "$(od -An -tx2 -j$((off + 24)) -N2 "$stub" | tr -d ' ')" = "010b" ] || wine_loader=/usr/lib/wine/wine64

# One run: "START UPDATER_STARTED END" in host seconds, and the log kept.
run_once() {
  local exe=$1 log=$2; shift 2
  rm -f "$log_host" "$setup_host/pkgrun-record.txt"
  local start end
  start=$(date +%s.%N)
  "$wine_loader" "$exe" "$@" </dev/null >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  local started=0
  [ -f "$setup_host/pkgrun-record.txt" ] && started=$(stat -c %.9Y "$setup_host/pkgrun-record.txt")
  [ -f "$log_host" ] && cp "$log_host" "$log" || : >"$log"
  echo "$start $started $end"
}

echo "running (each package $runs times with its window and $runs times with /silent) ..."
results=$work/results.txt
: >"$results"
run_once "$work/pkg-1m.exe" /dev/null /silent >/dev/null  # warm: the first Wine start reads the prefix
for i in $(seq "$runs"); do
  echo "updater - $(run_once "$setup_host/pkgrun.exe" /dev/null)" >>"$results"
  for size in 1m 256m; do
    for mode in window silent; do
      args=()
      [ "$mode" = silent ] && args=(/silent)
      read -r s u e < <(run_once "$work/pkg-$size.exe" "$work/log-$size-$mode-$i.txt" "${args[@]}")
      echo "$size $mode $s $u $e $work/log-$size-$mode-$i.txt" >>"$results"
    done
  done
done
for size in 1m 256m; do
  for i in $(seq "$runs"); do
    rm -rf "$work/out"
    /usr/bin/time -f "%e" -o "$work/time.txt" "$sfxtool" extract "$work/pkg-$size.exe" "$work/out" >/dev/null
    echo "extract $size $(cat "$work/time.txt")" >>"$results"
  done
done

python3 - "$results" <<'PY'
import datetime, re, statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
def log_times(path):
    marks = {}
    for line in open(path, encoding="utf-8-sig", errors="replace"):
        m = re.match(r"\[(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})\]", line)
        if not m:
            continue
        t = datetime.datetime.strptime(m.group(1), "%Y-%m-%d %H:%M:%S.%f").replace(
            tzinfo=datetime.timezone.utc).timestamp()
        for key, text in (("loaded", "sucessfully loaded"), ("starting", "Starting installer/updater"),
                          ("finished", "finished (process return code")):
            if text in line and key not in marks:
                marks[key] = t
        marks.setdefault("first", t)
    return marks
def med(values):
    return statistics.median(values) * 1000 if values else float("nan")
alone = med([float(r[4]) - float(r[2]) for r in rows if r[0] == "updater"])
print()
print("updater stand-in started alone under Wine: %.0f ms to its exit (median)" % alone)
print()
print("%-6s %-7s %9s %9s %9s | %6s %6s %7s %6s %6s %6s   ms, medians"
      % ("pkg", "mode", "->updater", "->exit", "over upd", "start", "load", "extract", "launch", "wait", "finish"))
for size in ("1m", "256m"):
    for mode in ("window", "silent"):
        sel = [r for r in rows if r[0] == size and r[1] == mode]
        phases = {k: [] for k in ("start", "load", "extract", "launch", "wait", "finish")}
        to_updater, to_exit = [], []
        for r in sel:
            s, u, e = float(r[2]), float(r[3]), float(r[4])
            to_exit.append(e - s)
            if u:
                to_updater.append(u - s)
            m = log_times(r[5])
            if all(k in m for k in ("first", "loaded", "starting", "finished")) and u:
                phases["start"].append(m["first"] - s)
                phases["load"].append(m["loaded"] - m["first"])
                phases["extract"].append(m["starting"] - m["loaded"])
                phases["launch"].append(u - m["starting"])
                phases["wait"].append(m["finished"] - u)
                phases["finish"].append(e - m["finished"])
        print("%-6s %-7s %9.0f %9.0f %9.0f | %6.0f %6.0f %7.0f %6.0f %6.0f %6.0f"
              % (size, mode, med(to_updater), med(to_exit), med(to_exit) - alone,
                 *(med(phases[k]) for k in ("start", "load", "extract", "launch", "wait", "finish"))))
print()
for size in ("1m", "256m"):
    print("sfxtool extract of the %s package, natively: %.0f ms (median)"
          % (size, med([float(r[2]) for r in rows if r[0] == "extract" and r[1] == size])))
print()
print("goal: stub start -> exit at most 100 ms over the updater's own start, 1m package")
PY
