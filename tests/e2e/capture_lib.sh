# Helpers for the capture's whole-binary tests: pictures and sound read back
# from the files a capture writes (ffmpeg, ffprobe, sox, awk).

# frame_mean <video or png> <seconds> <x0> <y0> <x1> <y1>: the mean "R G B"
# (0 to 255) of the first frame at or after <seconds>, over the rectangle of
# top-down pixel rows and columns x0 <= x < x1, y0 <= y < y1.
frame_mean() {
  local file=$1 t=$2 w
  w=$(ffprobe -v error -select_streams v:0 -show_entries stream=width -of csv=p=0 "$file")
  ffmpeg -v error -nostdin -ss "$t" -i "$file" -frames:v 1 -f rawvideo -pix_fmt rgb24 - |
    od -An -v -tu1 | awk -v w="$w" -v x0="$3" -v y0="$4" -v x1="$5" -v y1="$6" '
      { for (i = 1; i <= NF; i++) {
          p = int(n / 3); x = p % w; y = int(p / w)
          if (x >= x0 && x < x1 && y >= y0 && y < y1) s[n % 3] += $i
          n++ } }
      END { k = (x1 - x0) * (y1 - y0); printf "%.1f %.1f %.1f\n", s[0] / k, s[1] / k, s[2] / k }'
}

# sound_wav <video> <wav>: the video's sound track as a 48000 Hz stereo WAV.
sound_wav() { ffmpeg -v error -nostdin -y -i "$1" -vn -ac 2 -ar 48000 -c:a pcm_s16le "$2"; }

# sound_rms <wav> <from> <seconds> [sox effect...]: the RMS level (0 to 1)
# of that span, after the effects if any.
sound_rms() {
  local wav=$1 from=$2 len=$3
  shift 3
  sox "$wav" -n trim "$from" "$len" "$@" stat 2>&1 | awk '/^RMS +amplitude/ { print $3 }'
}

# sound_freq <wav> <from> <seconds>: sox's rough frequency of that span, Hz.
sound_freq() { sox "$1" -n trim "$2" "$3" stat 2>&1 | awk '/^Rough +frequency/ { print $3 }'; }

# is <awk condition>: true when it holds (numbers written into it).
is() { awk "BEGIN { exit !($1) }"; }

# stream_field <file> <stream index> <field>: one ffprobe field of a stream.
stream_field() {
  ffprobe -v error -count_frames -select_streams "$2" -show_entries "stream=$3" -of csv=p=0 "$1"
}
