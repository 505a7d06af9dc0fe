#!/usr/bin/python3
"""Times `tallowin-sound convert` of 10 minutes of 44.1 kHz stereo to 8 kHz mono 16-bit beside
`ffmpeg -ar 8000 -ac 1` on the same file, and prints the CPU seconds of each and their ratio (best of three).

usage: bench/convert_vs_ffmpeg.py [TALLOWIN_SOUND]   (default: build/release/sound/tool/tallowin-sound)
"""
import os
import resource
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def cpu_seconds(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def best_of_three(command):
    return min(cpu_seconds(command) for _ in range(3))


def main():
    tool = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build", "release", "sound", "tool",
                                                              "tallowin-sound")
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "in.wav")
        # Pink noise in syllable-like bursts: speech-like spectrum and pauses, 16-bit stereo.
        subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", source, "synth", "600", "pinknoise",
                        "tremolo", "2.5", "90", "vol", "0.3"], check=True)
        ours = best_of_three([tool, "convert", source, os.path.join(work, "ours.wav"), "--rate", "8000",
                              "--channels", "1"])
        theirs = best_of_three(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", source, "-ar", "8000",
                                "-ac", "1", "-c:a", "pcm_s16le", os.path.join(work, "ffmpeg.wav")])
        print("10 min of 44.1 kHz stereo 16-bit to 8 kHz mono 16-bit, CPU seconds (best of 3):")
        print("  tallowin-sound convert  %.3f" % ours)
        print("  ffmpeg -ar 8000 -ac 1   %.3f" % theirs)
        print("  ratio ffmpeg / ours     %.2f" % (theirs / ours))


if __name__ == "__main__":
    main()
