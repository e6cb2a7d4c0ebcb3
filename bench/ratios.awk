# The ratio table of one Google Benchmark run (CSV on stdin): per case,
# FramePass / Memcpy (lower is better) and Swscale / FramePass (higher is
# better), from CPU time per frame.
#   awk -F, -f bench/ratios.awk results.csv
function unquote(s) { gsub(/"/, "", s); return s }
# Times in microseconds whatever unit a row reports.
function micro(t, unit) { return unit == "ns" ? t / 1000 : unit == "ms" ? t * 1000 : unit == "s" ? t * 1e6 : t }
/^"?(FramePass|Swscale|Memcpy)\// {
  name = unquote($1)
  n = split(name, part, "/")
  t = micro($4, unquote($5))
  if (part[1] == "Memcpy") { memcpy[part[2] "/" part[3]] = t; next }
  key = part[2] "/" part[3] "/" part[4]
  if (part[1] == "FramePass") { pass[key] = t; order[++count] = key } else { peer[key] = t }
}
END {
  printf "%-28s %10s %10s %10s %12s %12s\n", "case", "FramePass", "Memcpy", "Swscale", "FP/Memcpy", "Swscale/FP"
  for (i = 1; i <= count; ++i) {
    key = order[i]
    split(key, part, "/")
    m = memcpy[part[1] "/" part[2]]
    slower = m > 0 ? pass[key] / m : 0
    faster = pass[key] > 0 ? peer[key] / pass[key] : 0
    printf "%-28s %8.1fus %8.1fus %8.1fus %11.2fx %11.1fx\n", key, pass[key], m, peer[key], slower, faster
  }
}
