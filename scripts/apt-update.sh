#!/usr/bin/env bash
# apt-get update that survives a Debian mirror in the middle of a sync ("File
# has unexpected size ... Mirror sync in progress?"): up to three tries a
# minute apart; after that the install goes on with the indexes it has, and
# fails by itself if a package is not in them.
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
for try in 1 2 3; do
    $sudo apt-get update -q && exit 0
    [ $try -lt 3 ] && echo "apt-get update failed (try $try of 3); again in 60 s" >&2 && sleep 60
done
echo "apt-get update failed three times; installing from the indexes there are" >&2
exit 0
