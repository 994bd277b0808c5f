# The Linux launcher keeps one copy per machine (an abstract socket named after the
# single-instance event); a second copy ends silently. Tests that start it wait until no other
# copy runs, so a launcher of a parallel test elsewhere on the machine does not end theirs.
launcher_wait_alone() {  # [seconds]
  local limit=${1:-120}
  for _ in $(seq 1 $((limit * 10))); do
    grep -q '@vktalv-instance-VKTALVDLQ' /proc/net/unix 2>/dev/null || return 0
    sleep 0.1
  done
  echo "another launcher copy kept running for ${limit}s"
  return 1
}
