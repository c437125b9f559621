#!/usr/bin/env python3
"""Writes the Windows Media recording profiles (UTF-16 XML) for every capture size.

Run from this folder: python3 make_prxs.py. The files are checked in; rerun after a change.
"""

SIZES = [(320, 240), (640, 480), (1280, 720), (1280, 800)]
# Video bit rates (bits per second) by size for the standard quality; the higher quality doubles.
VIDEO_BITRATE = {(320, 240): 300000, (640, 480): 1000000, (1280, 720): 2500000, (1280, 800): 2800000}
AUDIO = {"_SA": 64000, "_HA": 128000}
AVG_TIME_PER_FRAME = 333333  # 30 frames a second, 100 ns units
VIDEO_TYPE = "{73646976-0000-0010-8000-00AA00389B71}"
AUDIO_TYPE = "{73647561-0000-0010-8000-00AA00389B71}"
WMV2_SUBTYPE = "{32564D57-0000-0010-8000-00AA00389B71}"
WMA2_SUBTYPE = "{00000161-0000-0010-8000-00AA00389B71}"


def audio_stream(number, bitrate):
    avg_bytes = bitrate // 8
    return f"""  <streamconfig majortype="{AUDIO_TYPE}" streamnumber="{number}" streamname="Audio Stream" inputname="Audio409" bitrate="{bitrate}" bufferwindow="3000" reliabletransport="0" decodercomplexity="" rfc1766langid="en-us">
    <wmmediatype subtype="{WMA2_SUBTYPE}" bfixedsizesamples="1" btemporalcompression="0" lsamplesize="0">
      <waveformatex wFormatTag="353" nChannels="2" nSamplesPerSec="44100" nAvgBytesPerSec="{avg_bytes}" nBlockAlign="{avg_bytes // 8}" wBitsPerSample="16" codecdata=""/>
    </wmmediatype>
  </streamconfig>
"""


def video_stream(number, width, height, bitrate, quality):
    return f"""  <streamconfig majortype="{VIDEO_TYPE}" streamnumber="{number}" streamname="Video Stream" inputname="Video409" bitrate="{bitrate}" bufferwindow="5000" reliabletransport="0" decodercomplexity="AU" rfc1766langid="en-us">
    <videomediaprops maxkeyframespacing="50000000" quality="{quality}"/>
    <wmmediatype subtype="{WMV2_SUBTYPE}" bfixedsizesamples="0" btemporalcompression="1" lsamplesize="0">
      <videoinfoheader dwbitrate="{bitrate}" dwbiterrorrate="0" avgtimeperframe="{AVG_TIME_PER_FRAME}">
        <rcsource left="0" top="0" right="{width}" bottom="{height}"/>
        <rctarget left="0" top="0" right="{width}" bottom="{height}"/>
        <bitmapinfoheader biwidth="{width}" biheight="{height}" biplanes="1" bibitcount="24" bicompression="WMV2" bisizeimage="0" bixpelspermeter="0" biypelspermeter="0" biclrused="0" biclrimportant="0"/>
      </videoinfoheader>
    </wmmediatype>
  </streamconfig>
"""


def profile(name, streams):
    body = "".join(streams)
    return (f'<profile version="589824" storageformat="1" name="{name}" description="">\n'
            f"{body}</profile>\n")


def write(path, text):
    with open(path, "wb") as f:
        f.write(text.encode("utf-16"))  # BOM + little-endian on this machine's Python


def main():
    for width, height in SIZES:
        for quality_word, factor, quality in (("Standard_", 1, 75), ("Higher_", 2, 90)):
            bitrate = VIDEO_BITRATE[(width, height)] * factor
            for suffix in ("", "_SA", "_HA"):
                streams = [video_stream(1, width, height, bitrate, quality)]
                if suffix:
                    streams.append(audio_stream(2, AUDIO[suffix]))
                name = f"{quality_word}{width}x{height}{suffix}"
                write(f"{name}.prx", profile(name, streams))
    write("Higher_Audio.prx", profile("Higher_Audio", [audio_stream(1, 128000)]))


if __name__ == "__main__":
    main()
