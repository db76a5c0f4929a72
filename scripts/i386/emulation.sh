# Sourced. Where the kernel starts no 32-bit program (built without 32-bit
# support), the 32-bit Linux side of Wine runs under qemu's user mode: the
# kernel hands every i386 ELF file to qemu-i386 through a binfmt_misc instance
# of a user namespace of our own, so nothing on the machine changes. Bookworm's
# qemu 7.2 spends over a minute in Wine's memory reservation per process;
# backports' 10.0 does not, so its statically linked qemu-i386 is fetched under
# an apt configuration of our own, from the machine's own mirror.
i386_cache=${XDG_CACHE_HOME:-$HOME/.cache}/svcgate-i386
i386_qemu=$i386_cache/qemu-i386
i386_trap_mend=$i386_cache/trapno.so

i386_private_apt() {
    apt-get -q -o Dir::State::Lists="$i386_cache/apt/lists" -o Dir::Cache="$i386_cache/apt/cache" \
        -o Dir::Etc::SourceList="$i386_cache/apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent \
        -o APT::Architectures=amd64 -o APT::Sandbox::User=root "$@"
}

i386_debian_mirror() {
    . /etc/os-release
    apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 2>/dev/null |
        awk -v release="$VERSION_CODENAME" '$2 == release { print $1; exit }'
}

i386_fetch_qemu() {
    [ -x "$i386_qemu" ] && return
    local mirror codename
    mirror=$(i386_debian_mirror)
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    if [ -z "$mirror" ]; then
        echo "no Debian mirror of '$codename' in this machine's apt configuration" >&2
        return 1
    fi
    mkdir -p "$i386_cache/apt/lists/partial" "$i386_cache/apt/cache/archives/partial" "$i386_cache/deb"
    echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $codename-backports main" \
        >"$i386_cache/apt/sources.list"
    i386_private_apt update >/dev/null
    (cd "$i386_cache/deb" && i386_private_apt download qemu-user >/dev/null 2>&1)
    dpkg-deb --fsys-tarfile "$i386_cache"/deb/qemu-user_*.deb |
        tar -xO ./usr/bin/qemu-i386 >"$i386_qemu.part"
    chmod +x "$i386_qemu.part"
    mv "$i386_qemu.part" "$i386_qemu"
    rm -rf "$i386_cache/deb" "$i386_cache/apt"
}

i386_build_trap_mend() {
    local source=$svcgate_root/scripts/i386/trapno.c
    [ "$i386_trap_mend" -nt "$source" ] && return
    # Programs of another run may have the old one mapped: it is replaced, not rewritten.
    gcc -m32 -shared -nostdlib -fPIC -O2 -Wall -Wextra -Werror -o "$i386_trap_mend.$$" "$source"
    mv "$i386_trap_mend.$$" "$i386_trap_mend"
}

# exec_emulated SCRIPT [ARGUMENTS...]: runs the script again inside a user
# namespace whose binfmt_misc starts 32-bit programs under qemu. Every Wine
# program of the run must start in there: one started outside still fails.
exec_emulated() {
    if [ -n "${SVCGATE_32BIT_WAY:-}" ]; then
        echo "32-bit programs do not start even under qemu-i386" >&2
        exit 1
    fi
    mkdir -p "$i386_cache"
    i386_fetch_qemu && i386_build_trap_mend || exit 1
    SVCGATE_32BIT_WAY="emulated by $("$i386_qemu" --version | head -1) (user mode, binfmt_misc of a user namespace)"
    export SVCGATE_32BIT_WAY
    exec unshare --user --map-root-user --mount --fork \
        bash "$svcgate_root/scripts/i386/enter.sh" "$i386_qemu" "$i386_trap_mend" bash "$@"
}
