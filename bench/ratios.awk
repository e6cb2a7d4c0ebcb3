# The ratio tables of one benchmark run: Google Benchmark CSV (one or more
# files, from as many processes: the fastest of each case counts), optionally
# followed by the lines "win32,<FramePass case>,<ns per frame>" of
# frame_pass_timing.exe and "native,..." of the same program built natively,
# hot and (--cold, FramePassCold cases) cold, from one or more processes
# each (the fastest counts).
# Per case: FramePass / Memcpy (lower is better) and Swscale / FramePass
# (higher is better), from Google Benchmark's CPU time per frame, and the
# 32-bit frame pass under Wine over the native one, both timed by
# frame_pass_timing (its fastest batch of frames; over the FramePass
# benchmark when the native timing is missing). One table hot (the
# frame reused), one cold (the *Cold cases: frames rotating through more than
# the last-level cache). With repetitions, the fastest: on a shared machine
# other work only ever slows a repetition down.
#   awk -F, -f bench/ratios.awk results.csv... [win32 and native timings...]
function unquote(s) { gsub(/"/, "", s); return s }
# Times in microseconds whatever unit a row reports.
function micro(t, unit) { return unit == "ns" ? t / 1000 : unit == "ms" ? t * 1000 : unit == "s" ? t * 1e6 : t }
# times[key] becomes t when it is the first or the fastest so far.
function keepFastest(times, key, t) { if (!(key in times) || t < times[key]) times[key] = t }
/^(win32|native),FramePass(Cold)?\// {
  split($2, part, "/")
  key = (part[1] == "FramePassCold" ? "cold" : "hot") SUBSEP part[2] "/" part[3] "/" part[4]
  if ($1 == "win32") keepFastest(win32, key, $3 / 1000)
  else keepFastest(timed, key, $3 / 1000)
  next
}
/^"?(FramePass|Swscale|Memcpy)(Cold)?\// {
  name = unquote($1)
  # With repetitions each one counts, not their aggregates.
  if (name ~ /_(mean|median|stddev|cv)$/) next
  split(name, part, "/")
  t = micro($4, unquote($5))
  what = part[1]
  temp = sub(/Cold$/, "", what) ? "cold" : "hot"
  if (what == "Memcpy") { keepFastest(memcpy, temp SUBSEP part[2] "/" part[3], t); next }
  key = part[2] "/" part[3] "/" part[4]
  if (what == "FramePass") {
    keepFastest(pass, temp SUBSEP key, t)
    if (!((temp, key) in seen)) { seen[temp, key] = 1; order[temp, ++count[temp]] = key }
  } else {
    keepFastest(peer, temp SUBSEP key, t)
  }
}
function table(temp,    i, key, part, m, slower, faster, w, wr, native, timing) {
  if (count[temp] == 0) return
  printf "%s\n%-26s %10s %9s %10s %10s %11s", temp == "hot" ? "hot (the frame reused)" : \
         "cold (frames rotating through more than the last-level cache)", "case", "FramePass", "Memcpy", "Swscale",
         "FP/Memcpy", "Swscale/FP"
  printf " %10s %12s\n", "win32", "win32/native"
  for (i = 1; i <= count[temp]; ++i) {
    key = order[temp, i]
    split(key, part, "/")
    m = memcpy[temp, part[1] "/" part[2]]
    slower = m > 0 ? pass[temp, key] / m : 0
    faster = pass[temp, key] > 0 ? peer[temp, key] / pass[temp, key] : 0
    printf "%-26s %8.1fus %7.1fus %8.1fus %9.2fx %10.1fx", key, pass[temp, key], m, peer[temp, key], slower, faster
    timing = temp SUBSEP key
    native = (timing in timed) ? timed[timing] : pass[temp, key]
    w = (timing in win32) ? sprintf("%8.1fus", win32[timing]) : "       -"
    wr = (timing in win32 && native > 0) ? sprintf("%11.2fx", win32[timing] / native) : "          -"
    printf " %10s %12s\n", w, wr
  }
}
END {
  table("hot")
  table("cold")
}
