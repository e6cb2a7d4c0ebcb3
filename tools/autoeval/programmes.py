"""The scorecard's programmes: each an ffmpeg graph of segments, with the
right mode for every frame of every segment.

Right modes: a 4:3 picture (or one between bands narrower than 14:9) is the
fallback, panorama (3); a letterbox 14:9 or wider is fit-width (1); a stream
declared 16:9 is anamorphic (4); a letterbox whose lower band carries
burnt-in text keeps the fallback (3), so the text stays in view. Black
frames (None) take either neighbour's mode.
"""

import random

PANORAMA, FIT_WIDTH, ANAMORPHIC = 3, 1, 4
FONT = "font='DejaVu Sans'"

PAL = dict(w=720, h=576, rate="25", sar="16/15", wide_sar="64/45")
NTSC = dict(w=720, h=480, rate="30000/1001", sar="8/9", wide_sar="32/27")


class Seg:
    """Frames of one source, `rows` tall, centred in the frame between bands."""

    def __init__(self, src, rows=None, frames=150, truth=PANORAMA, pre="", post="", band="black"):
        self.src, self.rows, self.frames, self.truth = src, rows, frames, truth
        self.pre, self.post, self.band = pre, post, band


def black(frames=25):
    return Seg("color=c=black", frames=frames, truth=None)


class Programme:
    """`codec`: ffmpeg output options of a transmission the programme is
    encoded with and decoded back from (blocks, ringing), none: made losslessly;
    `options`: xvf-aspect's own beside `-m auto`."""

    def __init__(self, name, kind, segs, std=PAL, declared_wide=False, interlaced=False, held_out=False, tail="",
                 codec=(), options=()):
        self.name, self.kind, self.segs, self.std = name, kind, segs, std
        self.declared_wide, self.interlaced, self.held_out, self.tail = declared_wide, interlaced, held_out, tail
        self.codec, self.options = list(codec), list(options)

    @property
    def fps(self):
        num, _, den = self.std["rate"].partition("/")
        return float(num) / float(den or 1)

    def truth(self):
        modes = []
        for s in self.segs:
            modes += [ANAMORPHIC if self.declared_wide and s.truth is not None else s.truth] * s.frames
        return modes

    def graph(self):
        w, h, rate = self.std["w"], self.std["h"], self.std["rate"]
        num, _, den = rate.partition("/")
        source_rate = f"{2 * int(num)}/{den or 1}" if self.interlaced else rate
        parts, labels = [], []
        for i, s in enumerate(self.segs):
            rows = s.rows or h
            frames = s.frames * (2 if self.interlaced else 1)
            joint = ":" if "=" in s.src else "="
            chain = [f"{s.src}{joint}s={w}x{rows}:r={source_rate}", "format=yuv422p"]
            if s.pre:
                chain.append(s.pre)
            if rows != h:
                chain.append(f"pad={w}:{h}:0:{(h - rows) // 2 // 2 * 2}:color={s.band}")
            if s.post:
                chain.append(s.post)
            chain += [f"trim=end_frame={frames}", "setpts=PTS-STARTPTS", "setsar=1"]
            parts.append(",".join(chain) + f"[s{i}]")
            labels.append(f"[s{i}]")
        tail = ["concat=n=%d:v=1:a=0" % len(self.segs)]
        if self.tail:
            tail.append(self.tail)
        if self.interlaced:
            tail += ["interlace=scan=tff:lowpass=0"]
        sar = self.std["wide_sar"] if self.declared_wide else self.std["sar"]
        tail += [f"setsar={sar}", "format=yuv422p"]
        return ";".join(parts) + ";" + "".join(labels) + ",".join(tail)


def lb(src, rows, frames=150, truth=FIT_WIDTH, **kw):
    return Seg(src, rows, frames, truth, **kw)


def gradients(seed, **options):
    """ffmpeg's gradients source with its random choices made here from `seed`:
    its own seed option leaves the colours and the line's ends to chance, so
    the same graph would make another programme on every run."""
    rng = random.Random(seed)
    chosen = dict(c0="#%06x" % rng.randrange(1 << 24), c1="#%06x" % rng.randrange(1 << 24),
                  x0=rng.randrange(720), y0=rng.randrange(320), x1=rng.randrange(720), y1=rng.randrange(320))
    chosen.update(options)
    return "gradients=" + ":".join(f"{k}={v}" for k, v in chosen.items())


TESTSRC = "testsrc2"
DARK = "lutyuv=y=16+(val-16)*0.1"
DIM = "lutyuv=y=16+(val-16)*0.3"
HAZE = gradients(1, speed=0.01, c0="#6080c0", c1="#7090d0")
SUBS = ("drawtext=" + FONT + ":fontsize=26:fontcolor=white:x=(w-tw)/2:y=h-{y}:"
        "text='{text}':enable='lt(mod(t\\,3)\\,2.4)'")
LOGO = "drawbox=x=w-120:y=14:w=84:h=40:color=white@0.7:t=fill"
CLOCK = "drawtext=" + FONT + ":fontsize=24:fontcolor=white:x=40:y=18:text='%{pts\\:hms}'"
BANNER = "drawbox=x=24:y=18:w=230:h=44:color=white@0.6:t=fill"
# Black lifted 8 levels (bands at 24), uniform noise of +-11 over it: a VHS
# transfer, then MPEG-2 at 6 Mbit/s as broadcast.
LIFTED_NOISE = "lutyuv=y=val+8,noise=alls=22:allf=t:all_seed={seed}"
MPEG2 = ["-c:v", "mpeg2video", "-b:v", "{rate}M", "-maxrate", "{rate}M", "-bufsize", "1835k"]


def mpeg2(rate, interlaced=False):
    fields = ["-flags", "+ilme+ildct", "-top", "1"] if interlaced else []
    return [o.format(rate=rate) for o in MPEG2] + fields


def h264(kbits):
    return ["-c:v", "libx264", "-preset", "veryfast", "-b:v", f"{kbits}k", "-maxrate", f"{kbits}k",
            "-bufsize", f"{2 * kbits}k", "-pix_fmt", "yuv420p"]


def in_set():
    P = []
    add = lambda *a, **k: P.append(Programme(*a, **k))
    # 4:3 pictures of every brightness and kind.
    add("4:3 testsrc2", "4:3", [Seg(TESTSRC)])
    add("4:3 smptebars", "4:3", [Seg("smptebars")])
    add("4:3 mandelbrot", "4:3", [Seg("mandelbrot=maxiter=64")])
    add("4:3 cellauto (sparse)", "4:3", [Seg("cellauto=rule=30:seed=3")])
    add("4:3 life (sparse)", "4:3", [Seg("life=seed=5:ratio=0.2:mold=10")])
    add("4:3 dark testsrc2", "4:3 dark", [Seg(TESTSRC, pre=DARK)])
    add("4:3 faint sky", "4:3 dark", [Seg(HAZE)])
    add("4:3 gradients", "4:3", [Seg(gradients(2))])
    add("4:3 dark sky above", "4:3 dark", [Seg(TESTSRC, post="drawbox=x=0:y=0:w=iw:h=ih/3:color=black@0.95:t=fill")])
    add("4:3 stage lit in its middle third", "4:3 dark",
        [Seg(TESTSRC, post="drawbox=x=0:y=0:w=iw:h=ih/3:color=black@0.97:t=fill,"
                           "drawbox=x=0:y=2*ih/3:w=iw:h=ih/3:color=black@0.97:t=fill")])
    add("4:3 analog snow", "noise", [Seg(TESTSRC, post="noise=alls=60:allf=t")])
    add("4:3 fades", "fades", [Seg(TESTSRC, frames=175, post="fade=in:0:25,fade=out:140:25")])
    # Letterboxes at broadcast line counts and film formats.
    add("14:9 (504 lines) testsrc2", "letterbox", [lb(TESTSRC, 504)])
    add("14:9 (504 lines) gradients", "letterbox", [lb(gradients(3), 504)])
    add("16:9 (432 lines) testsrc2", "letterbox", [lb(TESTSRC, 432)])
    add("16:9 (430 lines) mandelbrot", "letterbox", [lb("mandelbrot=maxiter=64", 430)])
    add("1.85:1 testsrc2", "letterbox", [lb(TESTSRC, 416)])
    add("2.39:1 gradients", "letterbox", [lb(gradients(4), 322)])
    # Dark, faint and sparse films.
    add("2.39:1 dark opening", "dark film", [lb(TESTSRC, 322, pre="lutyuv=y=16+(val-16)*0.25")])
    add("16:9 under a dark sky", "dark film",
        [lb(TESTSRC, 432, pre="drawbox=x=0:y=0:w=iw:h=ih/3:color=black@0.9:t=fill")])
    add("16:9 hazy sky", "dark film", [lb(HAZE, 432)])
    add("16:9 dim testsrc2", "dark film", [lb(TESTSRC, 432, pre=DIM)])
    add("16:9 sparse cellauto", "dark film", [lb("cellauto=rule=90:seed=7", 432)])
    # Overlays in the bands.
    add("16:9 banner in the upper band", "overlays", [lb(TESTSRC, 432, post=BANNER)])
    add("16:9 logo and clock in the upper band", "overlays", [lb(gradients(5), 432, post=LOGO + "," + CLOCK)])
    add("14:9 subtitles in the lower band", "subtitles",
        [lb(TESTSRC, 504, truth=PANORAMA, post=SUBS.format(y=32, text='Where were you last night?'))])
    add("16:9 subtitles in the lower band", "subtitles",
        [lb(gradients(6), 432, truth=PANORAMA, post=SUBS.format(y=60, text='I never said that.'))])
    # Noise up to analog snow, grey pedestals.
    add("16:9 noise 20", "noise", [lb(TESTSRC, 432, post="noise=alls=20:allf=t")])
    add("14:9 noise 30 (494 lines)", "noise", [lb(gradients(1), 494, post="noise=alls=30:allf=t")])
    add("16:9 snow 60", "noise", [lb(TESTSRC, 432, post="noise=alls=60:allf=t")])
    add("16:9 grey pedestal", "pedestal", [lb(TESTSRC, 432, band="0x1c1c1c")])
    add("1.85:1 pedestal and noise", "pedestal", [lb(gradients(8), 416, band="0x161616", post="noise=alls=12:allf=t")])
    # Fades, cuts, trailers.
    add("16:9 fades", "fades", [lb(TESTSRC, 432, frames=175, post="fade=in:0:25,fade=out:140:25")])
    add("4:3, 16:9, 4:3", "sequence", [Seg(TESTSRC), lb(gradients(9), 432, frames=200), Seg("smptebars")])
    add("16:9 then dark 4:3", "sequence", [lb(TESTSRC, 432), Seg(TESTSRC, frames=200, pre=DARK)])
    add("4:3, black, 14:9", "sequence", [Seg(TESTSRC), black(), lb(TESTSRC, 504)])
    add("2.39:1 trailer inside 4:3", "sequence", [Seg(TESTSRC, frames=100), lb(gradients(10), 322, frames=75), Seg(TESTSRC, frames=100)])
    # Interlaced, declared anamorphic, pillarboxed.
    add("16:9 interlaced", "interlaced", [lb(TESTSRC, 432)], interlaced=True)
    add("4:3 then 14:9 interlaced", "interlaced", [Seg(TESTSRC, frames=100), lb(TESTSRC, 504)], interlaced=True)
    add("declared 16:9", "declared", [Seg(TESTSRC)], declared_wide=True)
    add("declared 16:9 pillarboxed", "declared", [Seg(TESTSRC, pre="scale=540:576,pad=720:576:90:0")], declared_wide=True)
    # NTSC.
    add("16:9 then sparse 4:3", "sequence", [lb(TESTSRC, 432), Seg("life=seed=8:ratio=0.15:mold=0", frames=200)])
    add("16:9 VHS head switching", "noise",
        [lb(TESTSRC, 432, post="drawbox=x=0:y=ih-6:w=iw:h=6:color=gray:t=fill,noise=alls=24:allf=t")])
    add("14:9 teletext line", "overlays",
        [lb(gradients(13), 504, post="drawbox=x=40:y=2:w=640:h=2:color=white:t=fill")])
    add("16:9 mandelbrot (dark, sparse)", "dark film", [lb("mandelbrot=maxiter=200:start_scale=1.2", 432)])
    add("NTSC 4:3", "4:3", [Seg(TESTSRC)], std=NTSC)
    add("NTSC 16:9 (360 lines)", "letterbox", [lb(TESTSRC, 360)], std=NTSC)
    add("NTSC 14:9 (420 lines)", "letterbox", [lb(gradients(11), 420)], std=NTSC)
    add("NTSC 2.39:1", "letterbox", [lb(TESTSRC, 268)], std=NTSC)
    add("NTSC declared 16:9", "declared", [Seg("smptebars")], std=NTSC, declared_wide=True)
    add("NTSC 16:9 then 4:3", "sequence", [lb(TESTSRC, 360), Seg(gradients(12), frames=200)], std=NTSC)
    # As broadcast: lifted black and noise through MPEG-2, over ten seeds.
    for seed in range(1, 11):
        add(f"16:9 lifted black, noise seed {seed}, MPEG-2", "broadcast",
            [lb(TESTSRC, 432, post=LIFTED_NOISE.format(seed=seed))], codec=mpeg2(6))
    add("16:9 life (sparse)", "dark film", [lb("life=seed=31:ratio=0.2:mold=10", 432)])
    add("16:9 subtitles and a logo, cropped", "subtitles",
        [lb(gradients(14), 432, post=LOGO + "," + SUBS.format(y=60, text='I never said that.'))],
        options=["--auto-subtitles", "crop"])
    add("16:9 subtitles and a logo over lifted noise, cropped, MPEG-2", "broadcast",
        [lb(gradients(15), 432, post=LOGO + "," + SUBS.format(y=60, text='I never said that.') + "," +
            LIFTED_NOISE.format(seed=11))], codec=mpeg2(6), options=["--auto-subtitles", "crop"])
    add("16:9 subtitles 11 rows below the picture", "subtitles",
        [lb(TESTSRC, 432, truth=PANORAMA, post=SUBS.format(y=61, text='WHERE WERE YOU LAST NIGHT?'))])
    return P


def transmitted():
    """Pictures as sent and received, counted apart: interlaced fields, black
    lifted a few steps, analog noise, then MPEG-2 at 3 to 4 Mbit/s or H.264
    at a low rate (ringing at the band edge, blocks in the bands)."""
    P = []
    add = lambda *a, **k: P.append(Programme(*a, **k))
    lifted = "lutyuv=y=val+{lift},noise=alls={noise}:allf=t:all_seed={seed}"
    add("16:9 interlaced, lifted 4, MPEG-2 3 Mbit/s", "transmitted",
        [lb(TESTSRC, 432, post=lifted.format(lift=4, noise=12, seed=3))], interlaced=True, codec=mpeg2(3, True))
    add("4:3 then 16:9 interlaced, MPEG-2 4 Mbit/s", "transmitted",
        [Seg(TESTSRC, frames=100), lb(gradients(30), 432, post=lifted.format(lift=6, noise=16, seed=4))],
        interlaced=True, codec=mpeg2(4, True))
    add("14:9 lifted 3, H.264 400 kbit/s", "transmitted",
        [lb(TESTSRC, 504, post=lifted.format(lift=3, noise=10, seed=5))], codec=h264(400))
    add("4:3 noisy, H.264 400 kbit/s", "transmitted", [Seg(TESTSRC, post=lifted.format(lift=5, noise=16, seed=6))],
        codec=h264(400))
    add("2.39:1 dark opening, H.264 600 kbit/s", "transmitted",
        [lb(TESTSRC, 322, pre="lutyuv=y=16+(val-16)*0.25", post=lifted.format(lift=4, noise=12, seed=7))],
        codec=h264(600))
    return P


def held_out():
    """Other sources, seeds and sizes, never used to set a threshold."""
    P = []
    add = lambda *a, **k: P.append(Programme(*a, held_out=True, **k))
    add("16:9 mandelbrot with a logo", "overlays", [lb("mandelbrot=maxiter=96:start_scale=2", 432, post=LOGO)])
    add("4:3 cellauto rule 110", "4:3", [Seg("cellauto=rule=110:seed=21")])
    add("NTSC 1.85:1 gradients", "letterbox", [lb(gradients(22), 346)], std=NTSC)
    add("2.39:1 then smptebars", "sequence", [lb(gradients(23), 322), Seg("smptebars", frames=175)])
    add("14:9 (504 lines) testsrc", "letterbox", [lb("testsrc", 504)])
    add("4:3 dark gradients", "4:3 dark", [Seg(gradients(24), pre="lutyuv=y=16+(val-16)*0.15")])
    add("16:9 noise 40 testsrc", "noise", [lb("testsrc", 432, post="noise=alls=40:allf=t")])
    add("NTSC 16:9 subtitles", "subtitles",
        [lb(gradients(25), 360, truth=PANORAMA, post=SUBS.format(y=48, text='Not tonight.'))], std=NTSC)
    add("declared 16:9 letterboxed 2.39", "declared", [lb(gradients(26), 432)], declared_wide=True)
    add("1.66:1 testsrc2 then 4:3", "sequence", [lb(TESTSRC, 462), Seg(gradients(27), frames=175)])
    add("1.85:1 gradients, lifted black and noise, MPEG-2 4 Mbit/s", "broadcast",
        [lb(gradients(28), 416, post=LIFTED_NOISE.format(seed=77))], codec=mpeg2(4))
    add("2.39:1 life (sparse)", "dark film", [lb("life=seed=41:ratio=0.15:mold=20", 322)])
    add("NTSC 16:9 subtitles and a logo, cropped", "subtitles",
        [lb(gradients(29), 360, post=LOGO + "," + SUBS.format(y=52, text='Not tonight.'))], std=NTSC,
        options=["--auto-subtitles", "crop"])
    return P
