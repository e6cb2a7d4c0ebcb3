-- Loaded into mpv by bench/mpv_frame_time.sh: after a warm-up, counts the
-- frames shown and dropped and averages mpv's render passes over a window of
-- playing time, prints one line and quits. Times in ms.
local opts = {warmup = 3, span = 10}
require "mp.options".read_options(opts, "xvfstats")

-- Frames the output dropped (late) and the decoder skipped.
local function drops()
  return (mp.get_property_number("frame-drop-count", 0) or 0),
         (mp.get_property_number("decoder-frame-drop-count", 0) or 0)
end

local start = {}
mp.add_timeout(opts.warmup, function()
  start.frame = mp.get_property_number("estimated-frame-number", 0)
  start.vo, start.decoder = drops()
  mp.add_timeout(opts.span, function()
    local shown = mp.get_property_number("estimated-frame-number", 0) - start.frame
    local vo, decoder = drops()
    local total, user, passes = 0, 0, mp.get_property_native("vo-passes") or {}
    for _, pass in ipairs(passes.fresh or {}) do
      total = total + pass.avg / 1e6
      if pass.desc:find("xvfaspect") then user = user + pass.avg / 1e6 end
    end
    print(string.format("XVFSTATS %d frames in %g s, %d dropped by the output, %d by the decoder; frame %.1f ms, xvfaspect pass %.1f ms",
                        shown, opts.span, vo - start.vo, decoder - start.decoder, total, user))
    mp.command("quit")
  end)
end)
