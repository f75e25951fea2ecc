"""The tests' simulated analog chain (tivrel_loop_plugin.c) as the loopback
end-to-end tests set it, and what tivrel-loopback must read from it."""
import math

LEVEL = 10 ** (-3 / 20)
CODEC = dict(delay=300.25, highpass=20, lowpass=21000, noise=-90, h2=2e-4 / LEVEL, crosstalk=-75, bits=24)
FLAT = dict(delay=91.37, gain=-7, bits=24)


def biquad_db(kind, f0, hz, rate=48000):
    w, z = 2 * math.pi * f0 / rate, complex(math.cos(2 * math.pi * hz / rate), -math.sin(2 * math.pi * hz / rate))
    cw, alpha = math.cos(w), math.sin(w) / (2 * math.sqrt(0.5))
    b = [(1 + cw) / 2, -(1 + cw), (1 + cw) / 2] if kind == "h" else [(1 - cw) / 2, 1 - cw, (1 - cw) / 2]
    h = (b[0] + b[1] * z + b[2] * z * z) / ((1 + alpha) + -2 * cw * z + (1 - alpha) * z * z)
    return 20 * math.log10(abs(h))


def codec_db(hz):  # the codec's filters; its delay line is flat to 20 kHz within 0.001 dB
    return biquad_db("h", 20, hz) + biquad_db("l", 21000, hz)


def a_weighted_noise(dbfs):  # white noise over 0..24 kHz, read A-weighted 20 Hz..20 kHz
    def ra(f):
        f2 = f * f
        return 12194**2 * f2 * f2 / ((f2 + 20.6**2) * math.sqrt((f2 + 107.7**2) * (f2 + 737.9**2)) * (f2 + 12194**2))
    band = sum((ra(f) / ra(1000)) ** 2 for f in range(20, 20001))
    return dbfs + 10 * math.log10(band / 24000)


def near(value, goal, tolerance):
    return value is not None and abs(value - goal) <= tolerance


def codec_goals(doc):
    response = all(near(p[side], codec_db(p["hz"]) - codec_db(997), 0.02)
                   for p in doc["frequency_response"]["points"] for side in ("left_db", "right_db"))
    noise = a_weighted_noise(-90)
    return {"response": response, "thd": near(doc["thd_db"], -80, 0.2), "noise": near(doc["noise_dba"], noise, 0.3),
            "dynamic range": near(doc["dynamic_range_dba"], -noise, 0.3),
            "crosstalk": near(doc["crosstalk_db"]["left_to_right"], -75, 0.5)
            and near(doc["crosstalk_db"]["right_to_left"], -75, 0.5),
            "-3 dB": near(doc["frequency_response"]["minus_3db_hz"]["low"], 20, 0.2)}


def write_conf(path, plugin, chain, pcm):
    """An ALSA configuration whose PCM `pcm` is the loop pair with `chain`."""
    keys = " ".join(f"{k} {v}" for k, v in chain.items())
    with open(path, "w") as f:
        f.write(f'pcm_type.tivrel_loop {{ lib "{plugin}" }}\npcm.{pcm} {{ type tivrel_loop {keys} }}\n')
