# The ratio table of one benchmark run: Google Benchmark CSV, optionally
# followed by the lines "win32,<FramePass case>,<ns per frame>" of
# frame_pass_timing.exe. Per case, from CPU time per frame: FramePass /
# Memcpy (lower is better), Swscale / FramePass (higher is better), and the
# 32-bit frame pass under Wine over the native one. With repetitions, the
# medians.
#   awk -F, -f bench/ratios.awk results.csv [win32.txt]
function unquote(s) { gsub(/"/, "", s); return s }
# Times in microseconds whatever unit a row reports.
function micro(t, unit) { return unit == "ns" ? t / 1000 : unit == "ms" ? t * 1000 : unit == "s" ? t * 1e6 : t }
/^win32,FramePass\// {
  split($2, part, "/")
  win32[part[2] "/" part[3] "/" part[4]] = $3 / 1000
  next
}
/^"?(FramePass|Swscale|Memcpy)\// {
  name = unquote($1)
  # With repetitions only the medians count.
  if (name ~ /_(mean|stddev|cv)$/) next
  sub(/_median$/, "", name)
  split(name, part, "/")
  t = micro($4, unquote($5))
  if (part[1] == "Memcpy") { memcpy[part[2] "/" part[3]] = t; next }
  key = part[2] "/" part[3] "/" part[4]
  if (part[1] == "FramePass") { pass[key] = t; order[++count] = key } else { peer[key] = t }
}
END {
  printf "%-26s %10s %9s %10s %10s %11s %10s %12s\n", "case", "FramePass", "Memcpy", "Swscale", "FP/Memcpy",
         "Swscale/FP", "win32", "win32/native"
  for (i = 1; i <= count; ++i) {
    key = order[i]
    split(key, part, "/")
    m = memcpy[part[1] "/" part[2]]
    slower = m > 0 ? pass[key] / m : 0
    faster = pass[key] > 0 ? peer[key] / pass[key] : 0
    w = (key in win32) ? sprintf("%8.1fus", win32[key]) : "       -"
    wr = (key in win32 && pass[key] > 0) ? sprintf("%11.2fx", win32[key] / pass[key]) : "          -"
    printf "%-26s %8.1fus %7.1fus %8.1fus %9.2fx %10.1fx %10s %12s\n", key, pass[key], m, peer[key], slower, faster, w, wr
  }
}
