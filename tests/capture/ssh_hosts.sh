# Machines for the split capture's test, made on this one (sourced): each is
# an sshd listening on 127.0.0.1 at an unused port, for a local user of its
# own whose home folder starts empty, reached with a key made for the test.
# Nothing listens or connects beyond the loopback address. Making the users
# needs root.
#
#   start_ssh_hosts N FOLDER  starts host1 to hostN, keeping their files in
#                             FOLDER (made, readable by them); sets
#                             ssh_config, the file for ssh -F that names
#                             them, and host_home[K]; returns 77 and says
#                             why where they cannot be started
#   lose_ssh_host K           ends hostK's sshd with all it started, as a
#                             machine that is switched off
#   stop_ssh_hosts            ends them all and removes their users

ssh_users=()
sshd_pids=()
host_home=()
ssh_config=

# Every process below $1, children first found, then all ended at once.
end_process_tree() {
  local pids=("$1") next=0 child
  while ((next < ${#pids[@]})); do
    for child in $(ps -o pid= --ppid "${pids[next]}"); do pids+=("$child"); done
    next=$((next + 1))
  done
  kill -KILL "${pids[@]}" 2> /dev/null
}

# Ends the processes left to the user $1.
end_user_processes() {
  local pid
  for pid in $(pgrep -U "$1"); do kill -KILL "$pid" 2> /dev/null; done
}

stop_ssh_hosts() {
  local k
  for k in "${!sshd_pids[@]}"; do end_process_tree "${sshd_pids[k]}"; done
  for k in "${!ssh_users[@]}"; do
    end_user_processes "${ssh_users[k]}"
    userdel "${ssh_users[k]}" 2> /dev/null
  done
  sshd_pids=()
  ssh_users=()
}

lose_ssh_host() {
  end_process_tree "${sshd_pids[$1]}"
  end_user_processes "${ssh_users[$1]}"
  unset "sshd_pids[$1]"
}

# True once something listens on 127.0.0.1:$1.
listening() { (exec 3<> "/dev/tcp/127.0.0.1/$1") 2> /dev/null; }

start_ssh_hosts() {
  local count=$1 folder=$2 k
  [[ $(id -u) == 0 ]] || { echo "SKIP: making the machines' users needs root"; return 77; }
  [[ -x /usr/sbin/sshd ]] || { echo "SKIP: sshd is missing (sudo apt-get install openssh-server)"; return 77; }
  local tool
  for tool in ssh ssh-keygen rsync useradd; do
    command -v "$tool" > /dev/null || { echo "SKIP: $tool is missing (tools/setup.sh installs it)"; return 77; }
  done
  mkdir -p "$folder/keys" /run/sshd && chmod 755 "$folder" "$folder/keys" || return 1
  ssh-keygen -q -t ed25519 -N '' -C capture-split-test -f "$folder/host_key" &&
    ssh-keygen -q -t ed25519 -N '' -C capture-split-test -f "$folder/client_key" || return 1
  ssh_config=$folder/ssh_config
  cat > "$ssh_config" <<EOF
Host *
  HostName 127.0.0.1
  IdentityFile $folder/client_key
  IdentitiesOnly yes
  BatchMode yes
  StrictHostKeyChecking yes
  UserKnownHostsFile $folder/known_hosts
  GlobalKnownHostsFile /dev/null
  LogLevel ERROR
EOF
  : > "$folder/known_hosts"
  for ((k = 1; k <= count; k++)); do
    local user=capture-ssh-$$-$k home=$folder/home$k
    useradd -M -d "$home" -s /bin/sh "$user" || { echo "SKIP: cannot make the user $user"; return 77; }
    ssh_users[k]=$user
    # A password field of '*' allows keys only; a locked one refuses ssh.
    usermod -p '*' "$user" && mkdir -m 700 "$home" && chown "$user:" "$home" || return 1
    host_home[k]=$home
    install -m 644 "$folder/client_key.pub" "$folder/keys/$user"
    echo "host$k $(cat "$folder/host_key.pub")" >> "$folder/known_hosts"
    local port try started=0
    for try in 1 2 3 4 5; do
      port=$((20000 + RANDOM % 40000))
      listening "$port" && continue
      cat > "$folder/sshd$k.conf" <<EOF
ListenAddress 127.0.0.1:$port
HostKey $folder/host_key
PidFile none
AuthorizedKeysFile $folder/keys/%u
AllowUsers $user
PermitRootLogin no
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
X11Forwarding no
EOF
      /usr/sbin/sshd -D -f "$folder/sshd$k.conf" -E "$folder/sshd$k.log" &
      sshd_pids[k]=$!
      # Ended by the test, which need not hear of it.
      disown
      local deadline=$((SECONDS + 10))
      while kill -0 "${sshd_pids[k]}" 2> /dev/null && ! listening "$port" && ((SECONDS < deadline)); do
        sleep 0.1
      done
      listening "$port" && { started=1; break; }
      end_process_tree "${sshd_pids[k]}"
      unset "sshd_pids[k]"
    done
    if ((!started)); then
      echo "SKIP: sshd cannot be started:"
      cat "$folder/sshd$k.log"
      return 77
    fi
    printf 'Host host%s\n  Port %s\n  User %s\n  HostKeyAlias host%s\n' "$k" "$port" "$user" "$k" >> "$ssh_config"
  done
}
