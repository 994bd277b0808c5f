# The Linux launcher keeps one copy per user: a lock on "vktalv-instance-VKTALVDLQ.lock" in
# $XDG_RUNTIME_DIR (each end-to-end test has its own), else in /tmp/vktalv-<uid>; a second copy
# ends silently. Tests that start it wait until no other copy holds that lock.
launcher_wait_alone() {  # [seconds]
  local limit=${1:-120} folder=${XDG_RUNTIME_DIR:-/tmp/vktalv-$(id -u)} inode
  local marker="$folder/vktalv-instance-VKTALVDLQ.lock"
  for _ in $(seq 1 $((limit * 10))); do
    inode=$(stat -c %i "$marker" 2>/dev/null) || return 0
    grep -q ":$inode " /proc/locks 2>/dev/null || return 0
    sleep 0.1
  done
  echo "another launcher copy kept running for ${limit}s"
  return 1
}
