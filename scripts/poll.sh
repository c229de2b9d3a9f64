# Sourced by the scripts that wait on the demo.
# poll <tenths of a second> <command...>: retries the command until it succeeds.
poll() {
  local tenths=$1 i
  shift
  for ((i = 0; i < tenths; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
