#!/usr/bin/env bash
# Certificates for the HTTPS stream tests: a test authority (ca.pem, and ca.der for the
# Windows store), a server certificate for 127.0.0.1 that it signed (server.pem/.key), and a
# self-signed one for 127.0.0.1 that nobody trusts (unknown.pem/.key). Made again when any is
# missing or within a week of its end. The address is named twice: libcurl matches it against
# the IP entry, Wine's WinInet only against DNS entries.
set -eu
out=$1/tls
mkdir -p "$out"
cd "$out"
fresh=1
for f in ca server unknown; do
  [ -f $f.pem ] && [ -f $f.key ] && openssl x509 -in $f.pem -noout -checkend 604800 >/dev/null 2>&1 || fresh=0
done
[ -f ca.der ] || fresh=0
[ $fresh = 1 ] && exit 0

cat > server.ext <<'EOF'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=IP:127.0.0.1,DNS:127.0.0.1
EOF
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 60 -keyout ca.key -out ca.pem \
  -subj "/CN=Korvo Test Authority" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl x509 -in ca.pem -outform der -out ca.der
openssl req -newkey rsa:2048 -nodes -sha256 -keyout server.key -out server.csr -subj "/CN=127.0.0.1" 2>/dev/null
openssl x509 -req -sha256 -days 60 -in server.csr -CA ca.pem -CAkey ca.key -set_serial 0x$(openssl rand -hex 8) \
  -extfile server.ext -out server.pem 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 60 -keyout unknown.key -out unknown.pem \
  -subj "/CN=127.0.0.1" -addext "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1" 2>/dev/null
rm -f server.csr server.ext
exit 0
