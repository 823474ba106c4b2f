#!/usr/bin/env bash
# A private CUPS scheduler for the printing tests, with a cups-pdf queue as its
# default printer. Everything it has lies in one folder: its configuration,
# spool, cache, state and logs, and its own domain socket, through which alone
# it is reached (CUPS_SERVER=<folder>/cups.sock). The system's printing
# service, its printers and its default printer are never touched.
#
#   printer.sh start FOLDER   sets up FOLDER (made when missing) and starts the
#                             scheduler; prints CUPS_SERVER=<socket> when ready
#   printer.sh stop FOLDER    stops that scheduler and removes what it left
#   printer.sh serve FOLDER   start, then keeps the scheduler until its standard
#                             input ends (its caller exits), then stop
#
# cups-pdf must run as root, which it does only under a scheduler started as
# root: other users start it through `sudo -n` where they may. Without CUPS,
# cups-pdf or root, start fails with the reason (exit status 1). cups-pdf
# writes into the account's folder, not into FOLDER: what it makes there that
# was not there before (its spool, the output folder, the queue's log) stop
# removes again, and one such scheduler runs at a time on the machine.
set -u

backend=/usr/lib/cups/backend/cups-pdf

say() { echo "printer.sh: $*" >&2; }

usage() {
  say "usage: printer.sh start|stop|serve FOLDER"
  exit 2
}

[ $# -eq 2 ] || usage
command=$1
folder=$2
case "$folder" in /*) ;; *) folder="$PWD/$folder" ;; esac
socket="$folder/cups.sock"
pidfile="$folder/cupsd.pid"
# A queue name of its own, so that cups-pdf's log for it is this run's alone.
queue="Marbleck-PDF-$$"
[ -f "$folder/queue" ] && queue=$(cat "$folder/queue")

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo -n"

# A setting of cups-pdf's configuration, or its default.
cups_pdf_setting() {
  local value
  value=$(awk -v key="$1" '$1 == key {print $2; exit}' /etc/cups/cups-pdf.conf 2>/dev/null)
  echo "${value:-$2}"
}

# What cups-pdf makes outside this folder while the tests print: its spool
# folder, the output folder of this user and the queue's log. What is not
# there yet is noted, and removed again by stop.
note_cups_pdf_leftovers() {
  local home out
  home=$(getent passwd "$(id -un)" | cut -d: -f6)
  # shellcheck disable=SC2016 # cups-pdf's own placeholder
  out=$(cups_pdf_setting Out '${HOME}/PDF')
  out=${out//\$\{HOME\}/$home}
  out=${out//\$\{USER\}/$(id -un)}
  : >"$folder/leftovers"
  for dir in "$(cups_pdf_setting Spool /var/spool/cups-pdf/SPOOL)" "$out"; do
    [ -e "$dir" ] || echo "$dir" >>"$folder/leftovers"
  done
  echo "$(cups_pdf_setting Log /var/log/cups)/cups-pdf-${queue}_log" >>"$folder/leftovers"
}

remove_cups_pdf_leftovers() {
  [ -f "$folder/leftovers" ] || return 0
  while IFS= read -r path; do
    if [ -d "$path" ]; then
      $sudo rmdir "$path" 2>/dev/null
    else
      $sudo rm -f "$path"
    fi
  done <"$folder/leftovers"
}

# The scheduler answers on its socket.
answers() { lpstat -h "$socket" -r 2>/dev/null | grep -q "is running"; }

write_configuration() {
  mkdir -p "$folder"/{etc,spool/tmp,cache,state,log} || return 1
  # Filters run as the unprivileged user lp and must reach the spool.
  chmod 755 "$folder" "$folder/spool" || return 1
  cat >"$folder/etc/cups-files.conf" <<EOF
ServerRoot $folder/etc
RequestRoot $folder/spool
TempDir $folder/spool/tmp
CacheDir $folder/cache
StateDir $folder/state
ErrorLog $folder/log/error_log
AccessLog $folder/log/access_log
PageLog $folder/log/page_log
Printcap $folder/state/printcap
ServerBin /usr/lib/cups
DataDir /usr/share/cups
SystemGroup root
FileDevice No
EOF
  cat >"$folder/etc/cupsd.conf" <<EOF
Listen $socket
Browsing No
BrowseLocalProtocols none
DefaultShared No
WebInterface No
DefaultAuthType None
LogLevel warn
MaxLogSize 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
}

start() {
  if ! command -v cupsd >/dev/null 2>&1 || ! command -v lpadmin >/dev/null 2>&1; then
    say "CUPS is not installed"
    return 1
  fi
  if [ ! -e "$backend" ]; then
    say "cups-pdf is not installed ($backend)"
    return 1
  fi
  if [ -n "$sudo" ] && ! sudo -n true 2>/dev/null; then
    say "cups-pdf needs a scheduler run as root, and sudo asks for a password"
    return 1
  fi
  if [ ${#socket} -ge 100 ]; then
    say "the folder's path is too long for a domain socket: $folder"
    return 1
  fi
  # One such scheduler at a time on this machine: cups-pdf writes the pages
  # of every run into the same folder under the same names. The scheduler
  # holds the lock (it inherits it) until it stops.
  if command -v flock >/dev/null 2>&1 && exec 9>>"${TMPDIR:-/tmp}/marbleck-printing.lock"; then
    flock -w 300 9 || { say "another test run kept its printing scheduler for 5 minutes"; return 1; }
  fi
  write_configuration || { say "cannot write the configuration into $folder"; return 1; }
  echo "$queue" >"$folder/queue"
  note_cups_pdf_leftovers

  $sudo cupsd -f -c "$folder/etc/cupsd.conf" -s "$folder/etc/cups-files.conf" \
    </dev/null >>"$folder/log/cupsd.out" 2>&1 &
  echo $! >"$pidfile"
  for _ in $(seq 1 100); do
    answers && break
    kill -0 "$(cat "$pidfile")" 2>/dev/null || break
    sleep 0.1
  done
  if ! answers; then
    say "the scheduler did not start: $(tail -n 3 "$folder/log/error_log" "$folder/log/cupsd.out" 2>/dev/null | tr '\n' ' ')"
    stop
    return 1
  fi

  # The driver's name differs between distributions: where Debian's is not
  # there, take the first cups-pdf one the scheduler lists.
  local model=lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
  if ! lpadmin -h "$socket" -p "$queue" -E -v cups-pdf:/ -m "$model" 2>"$folder/log/lpadmin.out"; then
    local models
    models=$(lpinfo -h "$socket" -m 2>/dev/null)
    model=$(echo "$models" | awk '/CUPS-PDF_opt/ {print $1; exit}')
    [ -n "$model" ] || model=$(echo "$models" | awk 'tolower($0) ~ /cups-pdf/ {print $1; exit}')
    lpadmin -h "$socket" -p "$queue" -E -v cups-pdf:/ -m "$model" 2>>"$folder/log/lpadmin.out"
  fi
  if ! lpstat -h "$socket" -p "$queue" >/dev/null 2>&1 ||
     ! lpadmin -h "$socket" -d "$queue" 2>>"$folder/log/lpadmin.out"; then
    say "could not add the queue $queue (driver $model): $(grep -v deprecated "$folder/log/lpadmin.out" | tr '\n' ' ')"
    stop
    return 1
  fi
  echo "CUPS_SERVER=$socket"
}

stop() {
  [ -f "$pidfile" ] || return 0
  local pid
  pid=$(cat "$pidfile")
  if kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
  fi
  remove_cups_pdf_leftovers
  # The scheduler ran as root: what it wrote may be root's.
  $sudo rm -rf "$folder"/{etc,spool,cache,state,log} "$folder"/{queue,leftovers} "$socket" "$pidfile" 2>/dev/null
  return 0
}

case "$command" in
  start) start ;;
  stop) stop ;;
  serve)
    trap 'kill "${reader:-}" 2>/dev/null; stop' EXIT
    trap 'exit 0' HUP INT TERM
    start || exit 1
    # Until the caller closes its end (by exiting, too); a signal ends it early.
    exec 3<&0
    cat <&3 >/dev/null &
    reader=$!
    wait "$reader"
    ;;
  *) usage ;;
esac
