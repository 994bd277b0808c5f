# Sourced by the download tests: the player's messages as launcher-fetch prints them.
#   gbk_hex TEXT      the GBK bytes of a UTF-8 text, as hexadecimal
#   message_of FILE   the bytes after "MESSAGE " in launcher-fetch's output, as hexadecimal
gbk_hex() { printf '%s' "$1" | iconv -f UTF-8 -t GBK | od -An -tx1 | tr -d ' \n'; }
message_of() { sed -n 's/^MESSAGE //p' "$1" | tr -d '\r' | od -An -tx1 | tr -d ' \n' | sed 's/0a$//'; }
